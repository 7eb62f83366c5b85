#pragma once

#include <QString>

// The failures the service client names itself, each with its Italian user-facing text.
class AppError
{
public:
    enum class Kind
    {
        NetworkError,
        DecodingError,
        NotAuthenticated,
        InvalidSession
    };

    static AppError networkError(const QString& message);
    static AppError decodingError(const QString& message);
    static AppError notAuthenticated();
    static AppError invalidSession();

    Kind kind() const { return m_kind; }
    QString message() const { return m_message; }
    QString errorDescription() const;

    bool operator==(const AppError&) const = default;

private:
    AppError(Kind kind, QString message) : m_kind(kind), m_message(std::move(message)) {}

    Kind m_kind;
    QString m_message;
};
