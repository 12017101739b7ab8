// tensiloctl's JSON text: for any JSON document, json_text writes what QtCore's
// QJsonDocument::Indented writes for the same values, byte for byte (a lone value inside an
// array, which is what Qt's document can hold); and any bytes as a string are written as Qt
// writes the string it reads from them. Input: a JSON text, also taken as a string's bytes.
#include "fuzz_check.h"

#include "tools/tensiloctl/json_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

using tensilo::ctl::JsonText;

namespace {

std::optional<QJsonValue> QtValue(const nlohmann::json& value);

template <typename Container, typename Insert>
std::optional<QJsonValue> QtContainer(const nlohmann::json& value, Insert insert) {
    Container container;
    for (const auto& member : value.items()) {
        const auto converted = QtValue(member.value());
        if (!converted)
            return std::nullopt;
        insert(container, member.key(), *converted);
    }
    return QJsonValue(container);
}

// The same values as Qt holds them; none for an integer above Qt's 64-bit signed integers, which
// Qt would hold as a double and tensiloctl writes exactly.
std::optional<QJsonValue> QtValue(const nlohmann::json& value) {
    using Type = nlohmann::json::value_t;
    switch (value.type()) {
    case Type::object:
        return QtContainer<QJsonObject>(
            value, [](QJsonObject& object, const std::string& key, const QJsonValue& member) {
                object.insert(QString::fromStdString(key), member);
            });
    case Type::array:
        return QtContainer<QJsonArray>(value,
                                       [](QJsonArray& array, const std::string&,
                                          const QJsonValue& element) { array.append(element); });
    case Type::string:
        return QJsonValue(QString::fromStdString(value.get<std::string>()));
    case Type::boolean:
        return QJsonValue(value.get<bool>());
    case Type::number_integer:
        return QJsonValue(static_cast<qint64>(value.get<std::int64_t>()));
    case Type::number_unsigned:
        if (value.get<std::uint64_t>() > std::numeric_limits<qint64>::max())
            return std::nullopt;
        return QJsonValue(static_cast<qint64>(value.get<std::uint64_t>()));
    case Type::number_float:
        return QJsonValue(value.get<double>());
    default:
        return QJsonValue(QJsonValue::Null);
    }
}

std::string QtText(const QJsonValue& value) {
    const QJsonDocument document = value.isObject()  ? QJsonDocument(value.toObject())
                                   : value.isArray() ? QJsonDocument(value.toArray())
                                                     : QJsonDocument(QJsonArray{value});
    return document.toJson(QJsonDocument::Indented).toStdString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const nlohmann::json document = nlohmann::json::parse(data, data + size, nullptr, false);
    if (!document.is_discarded()) {
        if (const auto qt = QtValue(document)) {
            const nlohmann::json held =
                document.is_structured() ? document : nlohmann::json::array({document});
            FUZZ_CHECK(JsonText(held) == QtText(*qt));
        }
    }
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(JsonText(nlohmann::json::array({bytes})) ==
               QtText(QJsonArray{QString::fromUtf8(bytes.data(), static_cast<qsizetype>(size))}));
    return 0;
}
