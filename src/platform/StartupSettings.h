#pragma once

namespace bp {

// Brings up the desktop's own settings for the programs started at login.
class StartupSettings {
public:
    virtual ~StartupSettings() = default;
    // Whether a settings tool was started; a desktop we know no tool for gets nothing.
    virtual bool open() = 0;
};

} // namespace bp
