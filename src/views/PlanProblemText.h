#pragma once

#include "model/ProjectPlan.h"

namespace bp::PlanProblemText {

// Why the projects cannot be made yet, in short Dutch, one line per reason, naming the
// fields by their labels and unknown tokens as written: "Vul in: Klant", "Onbekend veld:
// {foo}". Empty when there are no problems.
QString dutch(const PlanProblems &problems, const QList<FieldDefinition> &fields);

} // namespace bp::PlanProblemText
