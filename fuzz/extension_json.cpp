// The plug-ins' splice of one string member, its output read back with Qt's JSON parser. Input is
// KEY NUL VALUE NUL DOCUMENT, or just a document for the suite's own key.
#include "brindlepath-core.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Qt's parser drops a U+FEFF at the start of a string, so such a key or value is only
// checked for being a string at all.
bool sameText(const QJsonValue &read, const QByteArray &written)
{
    if (written.startsWith("\xEF\xBB\xBF"))
        return read.isString();
    return read == QString::fromUtf8(written);
}

bool holds(const QJsonObject &object, const QByteArray &key, const QByteArray &value)
{
    if (key.startsWith("\xEF\xBB\xBF"))
        return true;
    return sameText(object.value(QString::fromUtf8(key)), value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray key = "selectedFolderPath";
    QByteArray value = "/home/user/Foto's \"2024\"\n";
    QByteArray document(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const qsizetype first = document.indexOf('\0'); first >= 0) {
        if (const qsizetype second = document.indexOf('\0', first + 1); second >= 0) {
            key = document.left(first);
            value = document.mid(first + 1, second - first - 1);
            document = document.mid(second + 1);
        }
    }
    // An exact copy without a terminator, so the sanitizer sees any read past the end.
    const std::unique_ptr<char[]> exact(new char[std::max<qsizetype>(document.size(), 1)]);
    std::memcpy(exact.get(), document.constData(), document.size());
    const std::unique_ptr<char, decltype(&g_free)> spliced(
        bp_json_set_string_member(document.isEmpty() ? nullptr : exact.get(),
                                  gsize(document.size()), key.constData(), value.constData()),
        &g_free);

    if (!spliced)
        return 0;
    // The agent reads the suite with Qt: a document it could read stays readable and then
    // holds the value. (Not the other way round: Qt takes escapes such as \$ that JSON
    // forbids, and refuses numbers beyond a double's range that JSON allows.)
    QJsonParseError error;
    const bool readable = document.isEmpty() || !QJsonDocument::fromJson(document, &error).isNull();
    const QJsonDocument after = QJsonDocument::fromJson(spliced.get(), &error);
    if (readable && (!after.isObject() || !holds(after.object(), key, value)))
        std::abort();
    // Splicing the same member again changes nothing.
    const std::unique_ptr<char, decltype(&g_free)> again(
        bp_json_set_string_member(spliced.get(), std::strlen(spliced.get()), key.constData(),
                                  value.constData()),
        &g_free);
    if (!again || std::strcmp(again.get(), spliced.get()) != 0)
        std::abort();
    return 0;
}
