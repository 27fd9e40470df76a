#include "Stores.h"

#include "sorting/UndoLog.h"
#include "stores/CustomTemplateStore.h"
#include "stores/RecentFoldersStore.h"

namespace bp {

Stores Stores::processWide()
{
    return {PreferenceSuite::standard(), PreferenceSuite::appGroup(), CustomTemplateStore::shared(),
            RecentFoldersStore::shared(), UndoLog::shared()};
}

} // namespace bp
