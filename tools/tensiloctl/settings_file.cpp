// The settings file is read and written with QtCore's QJsonDocument: a well-kept JSON parser that
// rejects malformed text and anything after the document, from the library the program links
// anyway, so that no package is added for it. Its numbers are doubles, which hold every gain
// exactly.
#include "tools/tensiloctl/settings_file.h"

#include "protocol/gain_items.h"
#include "protocol/gain_text.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QStringList>

#include <charconv>

namespace tensilo::ctl {

namespace {

const QStringList kKeys = {"format", "gains", "product", "serial", "version"};

// A number as the shortest text that reads back as it.
std::string NumberText(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// The first key of `object` that is not among `keys`, then the first of `keys` it lacks, as what
// is wrong; none when it has exactly those keys. `where` names the object for the message.
std::optional<std::string> KeysWrong(const QJsonObject& object, const QStringList& keys,
                                     const std::string& where) {
    for (auto entry = object.begin(); entry != object.end(); ++entry)
        if (!keys.contains(entry.key()))
            return "has an unknown key \"" + entry.key().toStdString() + "\"" + where;
    for (const QString& key : keys)
        if (!object.contains(key))
            return "has no \"" + key.toStdString() + "\"" + where;
    return std::nullopt;
}

} // namespace

std::string WriteSettingsFile(const SavedSettings& settings) {
    QJsonObject gains;
    for (std::size_t i = 0; i < protocol::kChannels.size(); ++i)
        gains.insert(QString::fromUtf8(protocol::ChannelName(protocol::kChannels[i]).data()),
                     protocol::GainValue(settings.items[i]));
    QJsonObject file;
    file.insert("format", kSettingsFormat);
    file.insert("version", kSettingsVersion);
    file.insert("serial", QString::fromStdString(settings.serial));
    file.insert("product", settings.product ? QJsonValue(QString::fromStdString(*settings.product))
                                            : QJsonValue(QJsonValue::Null));
    file.insert("gains", gains);
    return QJsonDocument(file).toJson(QJsonDocument::Indented).toStdString();
}

std::variant<SavedSettings, std::string> ReadSettingsFile(std::string_view text) {
    if (text.size() > kLongestSettingsFile)
        return std::string("is too long to be a settings file");
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(text.data(), static_cast<qsizetype>(text.size())), &error);
    if (error.error != QJsonParseError::NoError)
        return "is not valid JSON: " + error.errorString().toStdString() + " near byte " +
               std::to_string(error.offset);
    if (!document.isObject())
        return std::string("does not hold a JSON object");
    const QJsonObject file = document.object();
    if (auto wrong = KeysWrong(file, kKeys, ""))
        return *wrong;
    if (file.value("format").toString() != kSettingsFormat)
        return std::string("is not a Tensilo settings file: its format is not \"") +
               kSettingsFormat + "\"";
    const QJsonValue version = file.value("version");
    if (!version.isDouble())
        return std::string("has a settings version that is not a number");
    if (version.toDouble() != kSettingsVersion)
        return "has settings version " + NumberText(version.toDouble()) +
               ", and this tensiloctl reads version " + std::to_string(kSettingsVersion);

    SavedSettings settings;
    const QJsonValue serial = file.value("serial");
    if (!serial.isString())
        return std::string("holds a serial number that is not text");
    settings.serial = serial.toString().toStdString();
    const QJsonValue product = file.value("product");
    if (product.isString())
        settings.product = product.toString().toStdString();
    else if (!product.isNull())
        return std::string("holds a product that is neither text nor null");

    const QJsonValue gainsValue = file.value("gains");
    if (!gainsValue.isObject())
        return std::string("holds gains that are not a JSON object");
    const QJsonObject gains = gainsValue.toObject();
    QStringList channels;
    for (const protocol::Channel channel : protocol::kChannels)
        channels.append(QString::fromUtf8(protocol::ChannelName(channel).data()));
    if (auto wrong = KeysWrong(gains, channels, " in \"gains\""))
        return *wrong;
    for (std::size_t i = 0; i < protocol::kChannels.size(); ++i) {
        const std::string name(protocol::ChannelName(protocol::kChannels[i]));
        const QJsonValue gain = gains.value(QString::fromStdString(name));
        if (!gain.isDouble())
            return "holds a gain for " + name + " that is not a number";
        const auto item = protocol::ItemOfGainValue(gain.toDouble());
        if (!item)
            return "holds " + NumberText(gain.toDouble()) + " for " + name +
                   ", which is not a gain the board can hold";
        settings.items[i] = *item;
    }
    return settings;
}

} // namespace tensilo::ctl
