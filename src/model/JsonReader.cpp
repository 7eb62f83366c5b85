#include "JsonReader.h"

#include <QCborValue>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

JsonReader::JsonReader(QJsonObject object, QString path)
    : m_object(std::move(object)), m_path(std::move(path))
{}

JsonReader JsonReader::document(const QByteArray& bytes)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw Failure{QStringLiteral("JSON non valido: %1 (posizione %2)")
                          .arg(parseError.errorString())
                          .arg(parseError.offset)};
    if (!doc.isObject())
        throw Failure{QStringLiteral("atteso un oggetto JSON al primo livello")};
    return JsonReader(doc.object(), {});
}

QString JsonReader::pathOf(const QString& key) const
{
    return m_path.isEmpty() ? key : m_path + u'.' + key;
}

void JsonReader::wrongType(const QString& path, const char* expected) const
{
    throw Failure{
        QStringLiteral("tipo errato per %1: atteso %2").arg(path, QLatin1String(expected))};
}

QJsonValue JsonReader::required(const QString& key) const
{
    const auto it = m_object.constFind(key);
    if (it == m_object.constEnd())
        throw Failure{QStringLiteral("chiave obbligatoria assente: %1").arg(pathOf(key))};
    if (it->isNull())
        throw Failure{
            QStringLiteral("valore nullo per la chiave obbligatoria %1").arg(pathOf(key))};
    return *it;
}

std::optional<QJsonValue> JsonReader::optional(const QString& key) const
{
    const auto it = m_object.constFind(key);
    if (it == m_object.constEnd() || it->isNull())
        return std::nullopt;
    return *it;
}

QString JsonReader::requiredString(const QString& key) const
{
    const QJsonValue value = required(key);
    if (!value.isString())
        wrongType(pathOf(key), "una stringa");
    return value.toString();
}

double JsonReader::requiredNumber(const QString& key) const
{
    const QJsonValue value = required(key);
    if (!value.isDouble())
        wrongType(pathOf(key), "un numero");
    return value.toDouble();
}

qint64 JsonReader::requiredInteger(const QString& key) const
{
    // The parser keeps every whole number that fits in 64 bits as an integer; what it left a
    // double is a fraction or out of range. toDouble() would round anything beyond 2^53.
    const QCborValue value = QCborValue::fromJsonValue(required(key));
    if (!value.isInteger())
        wrongType(pathOf(key), "un numero intero");
    return value.toInteger();
}

bool JsonReader::requiredBool(const QString& key) const
{
    const QJsonValue value = required(key);
    if (!value.isBool())
        wrongType(pathOf(key), "un booleano");
    return value.toBool();
}

std::optional<QString> JsonReader::optionalString(const QString& key) const
{
    const auto value = optional(key);
    if (!value)
        return std::nullopt;
    if (!value->isString())
        wrongType(pathOf(key), "una stringa");
    return value->toString();
}

std::optional<double> JsonReader::optionalNumber(const QString& key) const
{
    const auto value = optional(key);
    if (!value)
        return std::nullopt;
    if (!value->isDouble())
        wrongType(pathOf(key), "un numero");
    return value->toDouble();
}

std::optional<JsonReader> JsonReader::optionalObject(const QString& key) const
{
    const auto value = optional(key);
    if (!value)
        return std::nullopt;
    if (!value->isObject())
        wrongType(pathOf(key), "un oggetto");
    return JsonReader(value->toObject(), pathOf(key));
}

std::optional<QList<JsonReader>> JsonReader::optionalObjectArray(const QString& key) const
{
    const auto value = optional(key);
    if (!value)
        return std::nullopt;
    if (!value->isArray())
        wrongType(pathOf(key), "un array");
    QList<JsonReader> readers;
    const QJsonArray array = value->toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString elementPath = QStringLiteral("%1[%2]").arg(pathOf(key)).arg(i);
        if (!array.at(i).isObject())
            wrongType(elementPath, "un oggetto");
        readers.append(JsonReader(array.at(i).toObject(), elementPath));
    }
    return readers;
}

std::optional<QStringList> JsonReader::optionalStringArray(const QString& key) const
{
    const auto value = optional(key);
    if (!value)
        return std::nullopt;
    if (!value->isArray())
        wrongType(pathOf(key), "un array");
    QStringList strings;
    const QJsonArray array = value->toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        if (!array.at(i).isString())
            wrongType(QStringLiteral("%1[%2]").arg(pathOf(key)).arg(i), "una stringa");
        strings.append(array.at(i).toString());
    }
    return strings;
}
