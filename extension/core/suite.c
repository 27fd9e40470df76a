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
// The suite holds a few short values; anything larger is not ours to rewrite.
#define MAX_SUITE_BYTES (1 << 20)
// As many links as the kernel follows in one path.
#define MAX_LINKS 40

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
    // A link in its place must not make us create a file elsewhere.
    const int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0)
        return fail(error, errno, "Cannot open", path), -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_INVAL, "%s is not a regular file", path);
        return -1;
    }
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

// Where a write to path lands: a suite linked into place (as dotfile managers do) is
// replaced at its target, so the link stays. Follows links the way QSaveFile does, which the
// program writes with.
static char *resolve_links(const char *path, GError **error)
{
    char *current = g_strdup(path);
    for (int hops = 0; hops < MAX_LINKS; ++hops) {
        struct stat st;
        if (lstat(current, &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        char *target = g_file_read_link(current, error);
        if (target == NULL) {
            g_free(current);
            return NULL;
        }
        if (!g_path_is_absolute(target)) {
            g_autofree char *folder = g_path_get_dirname(current);
            g_autofree char *relative = target;
            target = g_build_filename(folder, relative, NULL);
        }
        g_free(current);
        current = target;
    }
    g_free(current);
    return fail(error, ELOOP, "Cannot follow", path), NULL;
}

// The suite's bytes, or NULL with *missing set when there is no file. Opened without
// blocking: a FIFO or device in its place would hold this thread and the lock forever.
static GString *read_suite(const char *path, gboolean *missing, GError **error)
{
    *missing = FALSE;
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *missing = errno == ENOENT;
        return *missing ? NULL : (fail(error, errno, "Cannot open", path), NULL);
    }
    struct stat st;
    const char *refusal = NULL;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        refusal = "is not a regular file";
    else if (st.st_size > MAX_SUITE_BYTES)
        refusal = "is too large";
    GString *data = g_string_sized_new(refusal == NULL ? (gsize)st.st_size : 0);
    char buffer[16384];
    while (refusal == NULL) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            refusal = "could not be read";
        else if (got == 0)
            break;
        else if (data->len + (gsize)got > MAX_SUITE_BYTES)
            refusal = "is too large"; // it grew since fstat
        else
            g_string_append_len(data, buffer, got);
    }
    close(fd);
    if (refusal == NULL)
        return data;
    g_string_free(data, TRUE);
    g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_INVAL, "%s %s; left as is", path, refusal);
    return NULL;
}

// The read-modify-write itself, with the lock held.
static gboolean store_locked(const char *path, const char *key, const char *value, GError **error)
{
    g_autofree char *target = resolve_links(path, error);
    if (target == NULL)
        return FALSE;
    // A file we could not read is never replaced; only a missing one starts afresh.
    gboolean missing = FALSE;
    g_autoptr(GString) current = read_suite(target, &missing, error);
    if (current == NULL && !missing)
        return FALSE;
    g_autofree char *updated = bp_json_set_string_member(
        current != NULL ? current->str : NULL, current != NULL ? current->len : 0, key, value);
    if (updated == NULL) {
        g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_INVAL, "%s is not a JSON object; left as is",
                    target);
        return FALSE;
    }
    return replace_file(target, updated, strlen(updated), error);
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
