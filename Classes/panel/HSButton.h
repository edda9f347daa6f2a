#pragma once
// A button laid over a picture that is visible only while it is the hovered
// one: the pointer entering it selects it (it fires its action, as a click
// would) and hides every other such button. The others keep their hover
// flag, so a later redraw of one (the panel shown again) shows it again.
#include <QPointer>
#include <QPushButton>

#include <vector>

class HSButton : public QPushButton {
    Q_OBJECT
public:
    explicit HSButton(QWidget* parent = nullptr);

    bool hover() const { return hover_; }
    void setHover(bool hover) { hover_ = hover; } // no redraw of its own

    // 1 drawn, 0 not drawn (it still takes the pointer). Setting it repaints
    // with that value; the next redraw after that takes it from the hover flag.
    double alphaValue() const { return alpha_; }
    void setAlphaValue(double alpha);

    // Every hover button made so far, in the order they were made. Buttons
    // die with their window, so entries of destroyed ones are null.
    static const std::vector<QPointer<HSButton>>& registry();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    bool hover_ = false;
    double alpha_ = 1;
    bool keepAlpha_ = false; // the pending repaint shows alpha_ as set, not the hover flag
};
