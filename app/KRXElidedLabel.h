#pragma once
// A one-line label that shows as much of its text as fits, ending in "…",
// and never asks for more width: a growing status must not widen the window.
// text() stays whole.
#include <QLabel>

class CKRXElidedLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
