#include "OnlyIntegerValueFormatter.h"

#include <QApplication>

OnlyIntegerValueFormatter::OnlyIntegerValueFormatter(QObject* parent)
    : QValidator(parent), beep_([] { QApplication::beep(); })
{
}

bool OnlyIntegerValueFormatter::isPartialStringValid(const QString& text) const
{
    if (text.isEmpty()) return true;
    if (text.size() > 4) return false;
    // One number with a point as decimal separator, blanks around it skipped.
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (ok && value >= 0 && value <= 1) return true;
    if (beep_) beep_();
    return false;
}

QValidator::State OnlyIntegerValueFormatter::validate(QString& input, int&) const
{
    return isPartialStringValid(input) ? Acceptable : Invalid;
}
