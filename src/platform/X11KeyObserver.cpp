#include "X11KeyObserver.h"

#include <X11/Xlib.h>
#include <X11/extensions/record.h>
#include <X11/keysym.h>

#include <array>
#include <cstdlib>
#include <future>
#include <string_view>
#include <thread>

namespace bp {
namespace {

std::string_view environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

unsigned modifierOf(KeySym sym)
{
    switch (sym) {
    case XK_Shift_L:
    case XK_Shift_R:
        return KeyDown::shift;
    case XK_Control_L:
    case XK_Control_R:
        return KeyDown::control;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R:
        return KeyDown::alt;
    case XK_Super_L:
    case XK_Super_R:
        return KeyDown::super;
    default:
        return 0;
    }
}

} // namespace

// Three connections, because a connection that has enabled a context belongs to the recording
// until the context is disabled, and that can only be asked for on another one.
struct X11KeyObserver::Recording {
    Display *control = nullptr; // creates, disables and frees the context; this thread
    Display *data = nullptr;    // blocked in XRecordEnableContext; the recording thread
    Display *keymap = nullptr;  // keyboard map look-ups; the recording thread
    XRecordContext context = 0;
    Handler handler;
    // The modifier each key stands for while it is down, known by its keysym: the events' own
    // state speaks of Mod1 to Mod5, and which of those is Alt depends on the modifier map.
    std::array<unsigned, 256> held{};
    std::promise<bool> enabled;
    bool started = false;
    std::thread thread;

    Recording() = default;
    Recording(const Recording &) = delete;
    Recording &operator=(const Recording &) = delete;
    ~Recording();

    static void intercept(XPointer closure, XRecordInterceptData *recorded);
    void observe(int type, KeyCode code);
};

X11KeyObserver::Recording::~Recording()
{
    if (thread.joinable()) {
        XRecordDisableContext(control, context);
        XSync(control, False);
        thread.join();
    }
    if (context)
        XRecordFreeContext(control, context);
    for (Display *display : {keymap, data, control})
        if (display)
            XCloseDisplay(display);
}

void X11KeyObserver::Recording::intercept(XPointer closure, XRecordInterceptData *recorded)
{
    auto *self = reinterpret_cast<Recording *>(closure);
    if (recorded->category == XRecordStartOfData) {
        self->started = true;
        self->enabled.set_value(true);
    }
    // A recorded device event is the 32-byte wire event: type, then the key code.
    if (recorded->category == XRecordFromServer && recorded->data_len * 4 >= 2)
        self->observe(recorded->data[0] & 0x7f, recorded->data[1]);
    XRecordFreeData(recorded);
}

void X11KeyObserver::Recording::observe(int type, KeyCode code)
{
    if (type == KeyRelease) {
        held[code] = 0;
        return;
    }
    if (type != KeyPress)
        return;
    // Asked of the server each time, so a layout switched while we run is followed at once.
    int perCode = 0;
    KeySym *syms = XGetKeyboardMapping(keymap, code, 1, &perCode);
    const KeySym sym = syms && perCode > 0 ? syms[0] : NoSymbol;
    if (syms)
        XFree(syms);
    unsigned modifiers = 0;
    for (const unsigned modifier : held)
        modifiers |= modifier;
    held[code] = modifierOf(sym);
    handler(KeyDown{static_cast<std::uint32_t>(sym), modifiers});
}

X11KeyObserver::X11KeyObserver(std::string display) : m_display(std::move(display)) {}

X11KeyObserver::~X11KeyObserver() = default;

std::string X11KeyObserver::sessionDisplay()
{
    const std::string_view type = environment("XDG_SESSION_TYPE");
    const bool wayland =
        type == "wayland" || (type != "x11" && !environment("WAYLAND_DISPLAY").empty());
    return wayland ? std::string() : std::string(environment("DISPLAY"));
}

bool X11KeyObserver::start(Handler handler)
{
    if (m_recording || m_display.empty())
        return false;
    auto recording = std::make_unique<Recording>();
    recording->handler = std::move(handler);
    recording->control = XOpenDisplay(m_display.c_str());
    // Asked plainly first: libXtst complains on stderr about a missing extension.
    int opcode = 0;
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    if (!recording->control ||
        !XQueryExtension(recording->control, "RECORD", &opcode, &event, &error) ||
        !XRecordQueryVersion(recording->control, &major, &minor))
        return false;
    recording->data = XOpenDisplay(m_display.c_str());
    recording->keymap = XOpenDisplay(m_display.c_str());
    XRecordRange *range = XRecordAllocRange();
    if (!recording->data || !recording->keymap || !range) {
        if (range)
            XFree(range);
        return false;
    }
    range->device_events.first = KeyPress;
    range->device_events.last = KeyRelease;
    XRecordClientSpec clients = XRecordAllClients;
    recording->context = XRecordCreateContext(recording->control, 0, &clients, 1, &range, 1);
    XFree(range);
    if (!recording->context)
        return false;
    // The context has to exist on the server before the data connection enables it.
    XSync(recording->control, False);
    std::future<bool> enabled = recording->enabled.get_future();
    recording->thread = std::thread([r = recording.get()] {
        XRecordEnableContext(r->data, r->context, &Recording::intercept,
                             reinterpret_cast<XPointer>(r));
        if (!r->started)
            r->enabled.set_value(false);
    });
    // Once start returns, no key can slip past unseen.
    if (!enabled.get()) {
        recording->thread.join();
        return false;
    }
    m_recording = std::move(recording);
    return true;
}

} // namespace bp
