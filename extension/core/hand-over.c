#include "brindlepath-core.h"

#include "AppGroupKeys.h"

// Bounded, though nothing waits on it: the reply only decides whether a line is logged. Long
// enough for the bus to start the program.
#define CALL_TIMEOUT_MS 25000

// Runs in the file manager's main context and only logs; the task, and with it the menu item,
// is let go of once the call has ended either way.
static void called(GObject *bus, GAsyncResult *result, gpointer task)
{
    g_autoptr(GError) error = NULL;
    g_autoptr(GVariant) reply =
        g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &error);
    if (reply == NULL)
        g_message("Brindlepath: the program was not reached: %s", error->message);
    g_object_unref(task);
}

static void hand_over_in_thread(GTask *task, gpointer source, gpointer data,
                                GCancellable *cancellable)
{
    (void)source;
    (void)cancellable;
    const char *target = data;

    // Written first, for anything that reads the suite when the signal reaches it.
    g_autofree char *suite = bp_suite_file_path();
    g_autoptr(GError) error = NULL;
    const gboolean stored =
        bp_suite_set_string(suite, BP_APP_GROUP_SELECTED_FOLDER_PATH_KEY, target, &error);
    if (!stored)
        g_message("Brindlepath: folder not stored: %s", error->message);
    g_clear_error(&error);

    g_autoptr(GDBusConnection) bus = g_bus_get_sync(G_BUS_TYPE_SESSION, NULL, &error);
    if (bus == NULL) {
        g_message("Brindlepath: no session bus: %s", error->message);
        g_task_return_boolean(task, TRUE);
        return;
    }
    // A call, unlike a signal, starts the program through its service file when it is not
    // running, and it carries the folder, so an older one in the suite is never opened. Not
    // awaited here: the reply comes to the file manager's main context, which it never blocks.
    if (g_utf8_validate(target, -1, NULL)) {
        g_dbus_connection_call(bus, BP_BUS_NAME, BP_BUS_PATH, BP_BUS_INTERFACE,
                               BP_BUS_OPEN_FOLDER_METHOD,
                               g_variant_new("(s@a{sv})", target,
                                             g_variant_new_array(G_VARIANT_TYPE("{sv}"), NULL, 0)),
                               G_VARIANT_TYPE_UNIT, G_DBUS_CALL_FLAGS_NONE, CALL_TIMEOUT_MS, NULL,
                               called, g_object_ref(task));
    }
    // Still emitted once, after the call, for other listeners; the program takes the two as one.
    // Not when the folder was not stored: a listener would open whatever folder is stored.
    if (stored && (!g_dbus_connection_emit_signal(bus, NULL, BP_APP_GROUP_SIGNAL_PATH,
                                                  BP_APP_GROUP_SIGNAL_INTERFACE,
                                                  BP_APP_GROUP_SIGNAL_MEMBER, NULL, &error) ||
                   !g_dbus_connection_flush_sync(bus, NULL, &error))) {
        g_debug("Brindlepath: signal not sent: %s", error->message);
    }
    g_task_return_boolean(task, TRUE);
}

static void handed_over(GObject *source, GAsyncResult *result, gpointer data)
{
    (void)source;
    (void)data;
    (void)g_task_propagate_boolean(G_TASK(result), NULL);
}

void bp_hand_over(GObject *source, const char *target)
{
    if (target == NULL)
        return;
    // The file manager's own thread never waits for the disk, the lock or the bus.
    GTask *task = g_task_new(source, NULL, handed_over, NULL);
    g_task_set_source_tag(task, bp_hand_over);
    g_task_set_task_data(task, g_strdup(target), g_free);
    g_task_run_in_thread(task, hand_over_in_thread);
    g_object_unref(task);
}
