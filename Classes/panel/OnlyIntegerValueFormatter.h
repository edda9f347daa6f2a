#pragma once
// The input filter of the panel's four offset fields: a number from 0 to 1 of
// at most four characters. Despite its name it admits fractions.
#include <QValidator>

#include <functional>

class OnlyIntegerValueFormatter : public QValidator {
    Q_OBJECT
public:
    explicit OnlyIntegerValueFormatter(QObject* parent = nullptr);

    // Whether the text as it would be after an edit is accepted. Text longer
    // than four characters is refused quietly; text that is not one number
    // from 0 to 1 (blanks around it allowed) is refused with a beep.
    bool isPartialStringValid(const QString& text) const;

    State validate(QString& input, int& pos) const override;

    // The sound of a refused edit; the application's beep unless replaced.
    void setBeep(std::function<void()> beep) { beep_ = std::move(beep); }

private:
    std::function<void()> beep_;
};
