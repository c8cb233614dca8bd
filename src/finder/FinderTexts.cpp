#include "finder/FinderTexts.h"

#include <QDateTime>
#include <QLocale>

#include "finder/FileSearch.h"

bool IsAnyOf(const std::string& text, std::initializer_list<const char*> list) {
    for (const char* item : list)
        if (text == item) return true;
    return false;
}

bool IsHtmlPreview(const std::string& ext) {
    return IsAnyOf(ext, {".html", ".htm", ".shtml", ".shtm"});
}

bool IsImagePreview(const std::string& ext) {
    return IsAnyOf(ext, {".jpg", ".jpeg", ".gif", ".wmf", ".emf", ".ico", ".bmp"});
}

std::string FinderSizeText(std::int64_t size) {
    const std::int64_t k = size / 1024;
    return k == 0 ? std::string("1") : std::to_string(k);
}

std::string FinderTotalText(std::int64_t bytes, const QLocale& locale) {
    const std::int64_t k = bytes / 1024;
    if (k <= 1000) return std::to_string(k) + " KB";
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(static_cast<double>(k) / 1024.0, 'f', 2).toStdString() + " MB";
}

std::string FinderAttrText(int attr) {
    switch (attr) {
        case faReadOnly:
            return "R";
        case faHidden:
            return "H";
        case faReadOnly | faHidden:
            return "R, H";
        case faArchive:
            return "A";
        case faReadOnly | faArchive:
            return "R, A";
        case faHidden | faArchive:
            return "A, H";
        case faReadOnly | faHidden | faArchive:
            return "R, A, H";
        default:
            return {};
    }
}

std::string FinderModifiedText(std::int64_t time, const QLocale& locale) {
    const QDateTime when = QDateTime::fromSecsSinceEpoch(time).toLocalTime();
    // The long time format carries the seconds; the zone name that some locales add is noise in
    // a column of local times.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1String(" t")).remove(QLatin1String("t "));
    return (locale.toString(when.date(), QLocale::ShortFormat) + " " +
            locale.toString(when.time(), timeFormat))
        .toStdString();
}
