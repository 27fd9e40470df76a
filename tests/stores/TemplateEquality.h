#pragma once

#include "model/CustomTemplate.h"

namespace bp::test {

// GCC 12 only accepts the defaulted CustomTemplate comparison once the folder comparison has
// been instantiated: checked the other way round, QList<CustomFolderNode>::operator== is
// still incomplete and drops out. Including this first fixes the order.
inline bool sameFolder(const CustomFolderNode &a, const CustomFolderNode &b)
{
    return a == b;
}

} // namespace bp::test
