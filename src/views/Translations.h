#pragma once

namespace bp::Translations {

// Qt's own texts (stock dialogs, standard buttons) in Dutch, like ours, whatever LANG says.
// Call once, right after the application object exists and before any thread starts.
// False when Qt's Dutch catalogue is not installed: those texts then stay English.
bool useDutch();

} // namespace bp::Translations
