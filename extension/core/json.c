#include "brindlepath-core.h"

#include <string.h>

// Deeper documents are refused rather than risk the file manager's stack.
#define MAX_DEPTH 256

typedef struct {
    const char *start;
    const char *p;
    const char *end;
} Scanner;

static void skip_space(Scanner *s)
{
    while (s->p < s->end && (*s->p == ' ' || *s->p == '\t' || *s->p == '\n' || *s->p == '\r'))
        ++s->p;
}

static int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

static gboolean scan_hex4(Scanner *s, gunichar *out)
{
    if (s->end - s->p < 4)
        return FALSE;
    gunichar value = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = hex_digit(s->p[i]);
        if (digit < 0)
            return FALSE;
        value = value * 16 + (gunichar)digit;
    }
    s->p += 4;
    *out = value;
    return TRUE;
}

// A string at s->p; its decoded text goes to decoded when that is not NULL.
static gboolean scan_string(Scanner *s, GString *decoded)
{
    if (s->p >= s->end || *s->p != '"')
        return FALSE;
    ++s->p;
    while (s->p < s->end) {
        const unsigned char c = (unsigned char)*s->p++;
        if (c == '"')
            return TRUE;
        if (c < 0x20)
            return FALSE;
        if (c != '\\') {
            if (decoded != NULL)
                g_string_append_c(decoded, (char)c);
            continue;
        }
        if (s->p >= s->end)
            return FALSE;
        const char escape = *s->p++;
        const char *simple = strchr("\"\\/bfnrt", escape);
        if (escape != '\0' && simple != NULL) {
            if (decoded != NULL)
                g_string_append_c(decoded, "\"\\/\b\f\n\r\t"[simple - "\"\\/bfnrt"]);
            continue;
        }
        if (escape != 'u')
            return FALSE;
        gunichar unit;
        if (!scan_hex4(s, &unit))
            return FALSE;
        if (unit >= 0xD800 && unit <= 0xDBFF && s->end - s->p >= 6 && s->p[0] == '\\' &&
            s->p[1] == 'u') {
            Scanner low = {s->start, s->p + 2, s->end};
            gunichar second;
            if (scan_hex4(&low, &second) && second >= 0xDC00 && second <= 0xDFFF) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (second - 0xDC00);
                s->p = low.p;
            }
        }
        // A lone surrogate still names some key; it just never equals ours.
        if (decoded != NULL)
            g_string_append_unichar(decoded, g_unichar_validate(unit) ? unit : 0xFFFD);
    }
    return FALSE;
}

static gboolean scan_digits(Scanner *s)
{
    const char *from = s->p;
    while (s->p < s->end && g_ascii_isdigit(*s->p))
        ++s->p;
    return s->p > from;
}

static gboolean scan_number(Scanner *s)
{
    if (s->p < s->end && *s->p == '-')
        ++s->p;
    if (s->p < s->end && *s->p == '0')
        ++s->p;
    else if (!scan_digits(s))
        return FALSE;
    if (s->p < s->end && *s->p == '.') {
        ++s->p;
        if (!scan_digits(s))
            return FALSE;
    }
    if (s->p < s->end && (*s->p == 'e' || *s->p == 'E')) {
        ++s->p;
        if (s->p < s->end && (*s->p == '+' || *s->p == '-'))
            ++s->p;
        if (!scan_digits(s))
            return FALSE;
    }
    return TRUE;
}

static gboolean scan_word(Scanner *s, const char *word)
{
    const size_t length = strlen(word);
    if ((size_t)(s->end - s->p) < length || memcmp(s->p, word, length) != 0)
        return FALSE;
    s->p += length;
    return TRUE;
}

static gboolean scan_value(Scanner *s, int depth);

// The members or elements after an opening bracket, up to and including close.
static gboolean scan_container(Scanner *s, char close, int depth)
{
    if (depth > MAX_DEPTH)
        return FALSE;
    ++s->p;
    skip_space(s);
    if (s->p < s->end && *s->p == close) {
        ++s->p;
        return TRUE;
    }
    for (;;) {
        if (close == '}') {
            if (!scan_string(s, NULL))
                return FALSE;
            skip_space(s);
            if (s->p >= s->end || *s->p++ != ':')
                return FALSE;
            skip_space(s);
        }
        if (!scan_value(s, depth))
            return FALSE;
        skip_space(s);
        if (s->p >= s->end)
            return FALSE;
        const char next = *s->p++;
        if (next == close)
            return TRUE;
        if (next != ',')
            return FALSE;
        skip_space(s);
    }
}

static gboolean scan_value(Scanner *s, int depth)
{
    if (s->p >= s->end)
        return FALSE;
    switch (*s->p) {
    case '{':
        return scan_container(s, '}', depth + 1);
    case '[':
        return scan_container(s, ']', depth + 1);
    case '"':
        return scan_string(s, NULL);
    case 't':
        return scan_word(s, "true");
    case 'f':
        return scan_word(s, "false");
    case 'n':
        return scan_word(s, "null");
    default:
        return scan_number(s);
    }
}

static void append_json_string(GString *out, const char *text)
{
    g_string_append_c(out, '"');
    for (const unsigned char *c = (const unsigned char *)text; *c != '\0'; ++c) {
        switch (*c) {
        case '"':
            g_string_append(out, "\\\"");
            break;
        case '\\':
            g_string_append(out, "\\\\");
            break;
        case '\b':
            g_string_append(out, "\\b");
            break;
        case '\f':
            g_string_append(out, "\\f");
            break;
        case '\n':
            g_string_append(out, "\\n");
            break;
        case '\r':
            g_string_append(out, "\\r");
            break;
        case '\t':
            g_string_append(out, "\\t");
            break;
        default:
            if (*c < 0x20)
                g_string_append_printf(out, "\\u%04x", *c);
            else
                g_string_append_c(out, (char)*c);
        }
    }
    g_string_append_c(out, '"');
}

static void append_member(GString *out, const char *key, const char *value)
{
    g_string_append(out, "    ");
    append_json_string(out, key);
    g_string_append(out, ": ");
    append_json_string(out, value);
}

char *bp_json_set_string_member(const char *document, gsize length, const char *key,
                                const char *value)
{
    if (key == NULL || value == NULL || !g_utf8_validate(key, -1, NULL) ||
        !g_utf8_validate(value, -1, NULL))
        return NULL;
    if (document == NULL || length == 0) {
        GString *fresh = g_string_new("{\n");
        append_member(fresh, key, value);
        g_string_append(fresh, "\n}\n");
        return g_string_free(fresh, FALSE);
    }
    // Also refuses NUL bytes, which no JSON text holds.
    if (!g_utf8_validate_len(document, length, NULL))
        return NULL;

    Scanner s = {document, document, document + length};
    if (length >= 3 && memcmp(document, "\xEF\xBB\xBF", 3) == 0)
        s.p += 3;
    skip_space(&s);
    if (s.p >= s.end || *s.p != '{')
        return NULL;
    const char *open = s.p++;

    GString *out = g_string_sized_new(length + strlen(value) + 64);
    g_autoptr(GString) name = g_string_new(NULL);
    const char *copied = document; // everything before this is in out already
    const char *last_value_end = NULL;
    gboolean replaced = FALSE;

    skip_space(&s);
    if (s.p < s.end && *s.p == '}') {
        ++s.p;
    } else {
        for (;;) {
            g_string_truncate(name, 0);
            if (!scan_string(&s, name))
                goto invalid;
            skip_space(&s);
            if (s.p >= s.end || *s.p++ != ':')
                goto invalid;
            skip_space(&s);
            const char *value_start = s.p;
            if (!scan_value(&s, 1))
                goto invalid;
            last_value_end = s.p;
            // Every copy of a repeated key gets the new value, whichever one a reader keeps.
            if (name->len == strlen(key) && memcmp(name->str, key, name->len) == 0) {
                g_string_append_len(out, copied, value_start - copied);
                append_json_string(out, value);
                copied = s.p;
                replaced = TRUE;
            }
            skip_space(&s);
            if (s.p >= s.end)
                goto invalid;
            const char next = *s.p++;
            if (next == '}')
                break;
            if (next != ',')
                goto invalid;
            skip_space(&s);
        }
    }
    const char *close = s.p - 1;
    skip_space(&s);
    if (s.p != s.end)
        goto invalid;

    if (!replaced) {
        if (last_value_end != NULL) {
            g_string_append_len(out, copied, last_value_end - copied);
            g_string_append(out, ",\n");
            append_member(out, key, value);
            copied = last_value_end;
        } else {
            // An empty object: its inner white space makes way for the member.
            g_string_append_len(out, copied, open + 1 - copied);
            g_string_append_c(out, '\n');
            append_member(out, key, value);
            g_string_append_c(out, '\n');
            copied = close;
        }
    }
    g_string_append_len(out, copied, document + length - copied);
    return g_string_free(out, FALSE);

invalid:
    g_string_free(out, TRUE);
    return NULL;
}
