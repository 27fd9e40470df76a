#define _GNU_SOURCE // F_OFD_SETLK
#include "brindlepath-core.h"

#include "AppGroupKeys.h"

#include <errno.h>
#include <fcntl.h>
#include <glib/gstdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// Long enough to ride out the program's own write; we wait on a worker thread only.
#define LOCK_TIMEOUT_US (5 * G_USEC_PER_SEC)

char *bp_suite_file_path(void)
{
    const char *config = g_getenv("XDG_CONFIG_HOME");
    g_autofree char *base = NULL;
    if (config != NULL && g_path_is_absolute(config))
        base = g_canonicalize_filename(config, NULL);
    else if (g_get_home_dir() != NULL)
        base = g_build_filename(g_get_home_dir(), ".config", NULL);
    else
        return NULL;
    return g_build_filename(base, "brindlepath", BP_APP_GROUP_SUITE_NAME ".json", NULL);
}

static gboolean fail(GError **error, int err, const char *what, const char *path)
{
    g_set_error(error, G_FILE_ERROR, g_file_error_from_errno(err), "%s %s: %s", what, path,
                g_strerror(err));
    return FALSE;
}

// 0 when locked, else the errno of the attempt.
static int try_lock(int fd)
{
    // The same lock as the program takes: an open-file-description lock on the whole file.
    struct flock range;
    memset(&range, 0, sizeof range);
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    if (fcntl(fd, F_OFD_SETLK, &range) == 0)
        return 0;
    if (errno != EINVAL)
        return errno;
    // File systems without byte-range locks still know flock(2).
    return flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
}

// The locked descriptor of path, or -1. Closing it releases the lock.
static int acquire_lock(const char *path, GError **error)
{
    const int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return fail(error, errno, "Cannot open", path), -1;
    const gint64 deadline = g_get_monotonic_time() + LOCK_TIMEOUT_US;
    gulong pause = 1000;
    for (;;) {
        const int err = try_lock(fd);
        if (err == 0)
            return fd;
        if ((err != EAGAIN && err != EACCES && err != EWOULDBLOCK) ||
            g_get_monotonic_time() >= deadline) {
            close(fd);
            return fail(error, err, "Cannot lock", path), -1;
        }
        g_usleep(pause);
        pause = MIN(pause * 2, 20000);
    }
}

static gboolean write_all(int fd, const char *data, gsize length)
{
    while (length > 0) {
        const ssize_t written = write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return FALSE;
        }
        data += written;
        length -= (gsize)written;
    }
    return TRUE;
}

// A temporary file in the same folder, synced and renamed over path, then the folder synced:
// a reader sees the old or the new file whole, even after a crash.
static gboolean replace_file(const char *path, const char *data, gsize length, GError **error)
{
    g_autofree char *temporary = g_strconcat(path, ".XXXXXX", NULL);
    const int fd = g_mkstemp_full(temporary, O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0)
        return fail(error, errno, "Cannot create", temporary);
    // The replacement keeps the permissions the user gave the file.
    struct stat st;
    if (stat(path, &st) == 0)
        (void)fchmod(fd, st.st_mode & 07777);
    if (!write_all(fd, data, length) || fsync(fd) != 0) {
        const int err = errno;
        close(fd);
        g_unlink(temporary);
        return fail(error, err, "Cannot write", temporary);
    }
    if (close(fd) != 0 || rename(temporary, path) != 0) {
        const int err = errno;
        g_unlink(temporary);
        return fail(error, err, "Cannot replace", path);
    }
    g_autofree char *folder = g_path_get_dirname(path);
    const int dir = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)fsync(dir);
        close(dir);
    }
    return TRUE;
}

// The read-modify-write itself, with the lock held.
static gboolean store_locked(const char *path, const char *key, const char *value, GError **error)
{
    g_autofree char *current = NULL;
    gsize length = 0;
    GError *read_error = NULL;
    if (!g_file_get_contents(path, &current, &length, &read_error)) {
        // A file we could not read is never replaced; only a missing one starts afresh.
        if (!g_error_matches(read_error, G_FILE_ERROR, G_FILE_ERROR_NOENT)) {
            g_propagate_error(error, read_error);
            return FALSE;
        }
        g_clear_error(&read_error);
    }
    g_autofree char *updated = bp_json_set_string_member(current, length, key, value);
    if (updated == NULL) {
        g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_INVAL, "%s is not a JSON object; left as is",
                    path);
        return FALSE;
    }
    return replace_file(path, updated, strlen(updated), error);
}

gboolean bp_suite_set_string(const char *path, const char *key, const char *value, GError **error)
{
    if (path == NULL || key == NULL || value == NULL) {
        g_set_error_literal(error, G_FILE_ERROR, G_FILE_ERROR_INVAL, "Nothing to store");
        return FALSE;
    }
    g_autofree char *folder = g_path_get_dirname(path);
    if (g_mkdir_with_parents(folder, 0700) != 0)
        return fail(error, errno, "Cannot create", folder);

    // Without the lock the program and we would drop each other's change.
    g_autofree char *lock_path = g_strconcat(path, ".lock", NULL);
    const int lock = acquire_lock(lock_path, error);
    if (lock < 0)
        return FALSE;
    const gboolean stored = store_locked(path, key, value, error);
    close(lock);
    return stored;
}
