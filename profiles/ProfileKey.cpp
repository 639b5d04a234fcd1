#include "ProfileKey.h"

#include "StoreFile.h"
#include "SyncAndVerify.h"

#include <QSettings>
#include <QVariant>

#include <charconv>
#include <limits>
#include <optional>

namespace {

constexpr std::int64_t lowest32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t highest32 = std::numeric_limits<std::uint32_t>::max();

std::optional<std::int64_t> DecimalValue(const QString& text) {
    const QByteArray digits = text.toLatin1();
    std::int64_t value = 0;
    const char* end = digits.constData() + digits.size();
    const auto [stop, error] = std::from_chars(digits.constData(), end, value);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

/*
 * What counts as a 32-bit integer. After a reload QSettings hands every INI
 * value back as text, so text must be an optional '-' and decimal digits and
 * nothing else: no blanks, no '+', no hex, no fraction. Within one process it
 * hands back the number as it was set, and other back ends (the Windows
 * registry) keep numbers as numbers, so integer types count too. Either way
 * the value must lie in the signed or the unsigned 32-bit range; anything
 * else (a word, a list, a byte array, 2^32) is not a 32-bit integer.
 */
std::optional<std::uint32_t> Dword(const QVariant& value) {
    std::optional<std::int64_t> number;
    switch (value.typeId()) {
    case QMetaType::QString:
        number = DecimalValue(value.toString());
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
        number = value.toLongLong();
        break;
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        if (value.toULongLong() <= static_cast<std::uint64_t>(highest32)) {
            number = static_cast<std::int64_t>(value.toULongLong());
        }
        break;
    default:
        break;
    }
    if (!number || *number < lowest32 || *number > highest32) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*number);
}

} // namespace

ProfileKey::ProfileKey(std::string name) : applicationName(QString::fromStdString(name)) {}

ProfileKey::~ProfileKey() {
    Close();
}

bool ProfileKey::Open(const QString& subPath) {
    Close();
    // A file that is no settings file (notes that the store links to) reads
    // as nothing and would be written over with the profiles: it is refused.
    if (!StoreFileProblem(applicationName).empty()) {
        return false;
    }
    // NativeFormat is the INI format on Linux, in the file the desktop expects
    // (~/.config/Tollervane/<application>.conf; IniFormat would name it .ini),
    // and the registry on Windows.
    auto opened = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                              QStringLiteral("Tollervane"), applicationName);
    if (opened->status() == QSettings::AccessError) {
        return false;
    }
    // Only this user's file: not the organisation-wide one, nor /etc/xdg.
    opened->setFallbacksEnabled(false);
    // A crash while writing must leave the previous file whole.
    opened->setAtomicSyncRequired(true);
    opened->beginGroup(subPath);
    settings = std::move(opened);
    return true;
}

bool ProfileKey::Close() {
    if (!settings) {
        return false;
    }
    // Nothing is left pending after this, so releasing the settings writes
    // nothing more.
    const bool written = !wroteValues || SyncAndVerify(*settings);
    settings.reset();
    wroteValues = false;
    return written;
}

bool ProfileKey::ReadDword(const QString& valueName, std::uint32_t& target) const {
    if (!settings) {
        return false;
    }
    const std::optional<std::uint32_t> value = Dword(settings->value(valueName));
    if (!value) {
        return false;
    }
    target = *value;
    return true;
}

bool ProfileKey::ReadDword(const QString& valueName, std::int32_t& target) const {
    std::uint32_t bits = 0;
    if (!ReadDword(valueName, bits)) {
        return false;
    }
    target = static_cast<std::int32_t>(bits);
    return true;
}

// The two forms keep their sign in the file, so a width of -5 reads "-5" there.
bool ProfileKey::WriteDword(const QString& valueName, std::uint32_t value) {
    return Write(valueName, QVariant::fromValue(value));
}

bool ProfileKey::WriteDword(const QString& valueName, std::int32_t value) {
    return Write(valueName, QVariant::fromValue(value));
}

bool ProfileKey::Write(const QString& valueName, const QVariant& value) {
    if (!settings) {
        return false;
    }
    settings->setValue(valueName, value);
    wroteValues = true;
    return true;
}

bool ProfileKey::RemoveSubKey(const QString& name) {
    if (!settings || name.isEmpty()) {
        return false;
    }
    settings->remove(name);
    wroteValues = true;
    return true;
}

bool ProfileKey::EnumSubKeys(std::vector<QString>& names) const {
    names.clear();
    if (!settings) {
        return false;
    }
    const QStringList groups = settings->childGroups();
    names.assign(groups.begin(), groups.end());
    return true;
}
