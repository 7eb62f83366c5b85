#pragma once

#include "Expected.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Strict reading of one JSON object. Required keys must be present, not null and of the
// right type; optional keys may be missing or null but never of the wrong type. Every
// failure throws JsonReader::Failure whose text names the key path ("five_hour.resets_at").
class JsonReader
{
public:
    struct Failure
    {
        QString text;
    };

    // The top-level object of a document, or a Failure with the parser's own text.
    static JsonReader document(const QByteArray& bytes);

    // Runs decode on the document's reader and turns a Failure into its text.
    template <typename T, typename Decode>
    static Expected<T, QString> decode(const QByteArray& bytes, Decode decode)
    {
        try {
            return decode(document(bytes));
        } catch (const Failure& failure) {
            return failure.text;
        }
    }

    QString requiredString(const QString& key) const;
    double requiredNumber(const QString& key) const;
    qint64 requiredInteger(const QString& key) const;
    bool requiredBool(const QString& key) const;

    std::optional<QString> optionalString(const QString& key) const;
    std::optional<double> optionalNumber(const QString& key) const;
    std::optional<JsonReader> optionalObject(const QString& key) const;
    std::optional<QList<JsonReader>> optionalObjectArray(const QString& key) const;
    std::optional<QStringList> optionalStringArray(const QString& key) const;

private:
    JsonReader(QJsonObject object, QString path);

    QString pathOf(const QString& key) const;
    QJsonValue required(const QString& key) const;
    std::optional<QJsonValue> optional(const QString& key) const;
    [[noreturn]] void wrongType(const QString& path, const char* expected) const;

    QJsonObject m_object;
    QString m_path;
};
