#pragma once

namespace bp {

class CustomTemplateStore;
class PreferenceSuite;
class RecentFoldersStore;
class UndoLog;

// The stores a caller works with. Made once where the process starts (the agent, the command
// line, a window run on its own, a test) and handed down; nothing below reaches for them.
struct Stores {
    PreferenceSuite &standard;
    PreferenceSuite &appGroup;
    CustomTemplateStore &templates;
    RecentFoldersStore &recentFolders;
    UndoLog &undoLog;

    // The process-wide ones, for the start-up code only. The templates include the shared
    // library named in standard, which is read once a window watches it (or on reload()).
    static Stores processWide();
    // Only the process-wide templates, with that library: for commands that need no more.
    static CustomTemplateStore &processWideTemplates();
};

} // namespace bp
