#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <variant>

namespace bp {

// A failure as the user sees it: the operating system's text for file-system errors, or a
// message of our own where no system call failed (bad template documents, invalid names).
struct Error {
    // Failures no errno names, told apart so that windows can word them in their own language.
    enum class Kind {
        other,
        notRegularFile,
        invalidDocument,
        invalidFolderName,
        foldersTooDeep,
        unresolvedName, // a token without a value or a field value refused: see ProjectPlan
    };

    int code = 0; // errno, or 0 when no system call failed
    QString message;
    QString path; // the file the failure is about, if any
    Kind kind = Kind::other;

    // "path: strerror(code)", the form Linux tools report file errors in.
    static Error fromErrno(int errnum, const QString &path);
    static Error withMessage(const QString &message, int errnum = 0);
};

template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : m_data(std::move(value)) {}
    Result(Error error) : m_data(std::move(error)) {}

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T &value() const & { return std::get<0>(m_data); }
    T &value() & { return std::get<0>(m_data); }
    T &&value() && { return std::get<0>(std::move(m_data)); }
    const Error &error() const { return std::get<1>(m_data); }

private:
    std::variant<T, Error> m_data;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : m_error(std::move(error)) {}

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const Error &error() const { return *m_error; }

private:
    std::optional<Error> m_error;
};

inline Result<void> success()
{
    return {};
}

} // namespace bp
