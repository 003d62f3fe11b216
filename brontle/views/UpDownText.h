#pragma once
// The host's numeric up/down text box. The text is free: anything can be typed or set (the owner
// validates it), so "abc" is stored and read back unchanged. The arrows (and the Up / Down keys)
// step the number in the text by 1 within [minvalue, maxvalue]; a text that is not a number steps
// from minvalue. Numbers are shown without trailing zeros ("8", "2.5").

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace brontle {

class UpDownText : public QWidget {
    Q_OBJECT
  public:
    explicit UpDownText(QWidget* parent = nullptr);

    QString text() const;
    // Stores the text as given; emits textChanged when it differs.
    void setText(const QString& text);
    double minvalue() const { return min_; }
    void setMinvalue(double value);
    double maxvalue() const { return max_; }
    void setMaxvalue(double value);

    // One step up or down by 1, clamped to the limits (what the arrows do).
    void stepUp();
    void stepDown();

    QLineEdit* lineEdit() const { return edit_; }

  signals:
    void textChanged(const QString& text);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void step(double delta);

    QLineEdit* edit_;
    QToolButton* up_;
    QToolButton* down_;
    double min_ = 0.0;
    double max_ = 100.0;
};

} // namespace brontle
