#include "common/ui_text.h"

QString UiText(unsigned id) {
    return QString::fromStdString(LoadStr(id));
}

QString UiMnemonic(unsigned id) {
    QString text = UiText(id);
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QLatin1Char('&') + text;
}

QString UiAccessibleName(unsigned id) {
    QString text = UiText(id).trimmed();
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text;
}
