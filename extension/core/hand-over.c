#include "brindlepath-core.h"

#include "AppGroupKeys.h"

static void hand_over_in_thread(GTask *task, gpointer source, gpointer data,
                                GCancellable *cancellable)
{
    (void)source;
    (void)cancellable;
    const char *target = data;

    // Written first, so the program reads this folder when the signal reaches it.
    g_autofree char *suite = bp_suite_file_path();
    g_autoptr(GError) error = NULL;
    if (!bp_suite_set_string(suite, BP_APP_GROUP_SELECTED_FOLDER_PATH_KEY, target, &error))
        g_debug("Brindlepath: folder not stored: %s", error->message);
    g_clear_error(&error);

    // Still signalled when the folder was not stored: the program then opens without one.
    g_autoptr(GDBusConnection) bus = g_bus_get_sync(G_BUS_TYPE_SESSION, NULL, &error);
    if (bus == NULL) {
        g_debug("Brindlepath: no session bus: %s", error->message);
    } else if (!g_dbus_connection_emit_signal(bus, NULL, BP_APP_GROUP_SIGNAL_PATH,
                                              BP_APP_GROUP_SIGNAL_INTERFACE,
                                              BP_APP_GROUP_SIGNAL_MEMBER, NULL, &error) ||
               !g_dbus_connection_flush_sync(bus, NULL, &error)) {
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
