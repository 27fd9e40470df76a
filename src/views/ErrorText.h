#pragma once

#include "model/Result.h"

namespace bp::ErrorText {

// A failure as a window shows it: the file's name (never its folders), then in short Dutch
// why, worded from the errno or the kind. The lower layers' English text stays for the
// command line.
QString dutch(const Error &error);

} // namespace bp::ErrorText
