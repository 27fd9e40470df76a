#include "Stores.h"

#include "sorting/UndoLog.h"
#include "stores/CustomTemplateStore.h"
#include "stores/RecentFoldersStore.h"
#include "stores/SharedTemplateLibrary.h"

namespace bp {

Stores Stores::processWide()
{
    return {PreferenceSuite::standard(), PreferenceSuite::appGroup(), processWideTemplates(),
            RecentFoldersStore::shared(), UndoLog::shared()};
}

CustomTemplateStore &Stores::processWideTemplates()
{
    CustomTemplateStore &templates = CustomTemplateStore::shared();
    // Made after the store, so it goes before it at exit.
    static SharedTemplateLibrary library(PreferenceSuite::standard());
    if (!templates.sharedLibrary())
        templates.attachShared(library);
    return templates;
}

} // namespace bp
