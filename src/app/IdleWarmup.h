#pragma once

namespace bp {

// Does once, on a widget that is never shown, the work the first window would otherwise pay
// for: the font database and the faces it opens, text shaping with the arrows and marks the
// windows show, style sheets and the painted symbols. Call it when nothing else waits.
void warmUpWindows();

} // namespace bp
