#pragma once
// The host's flat tool button. With `check` on it is a two-state button whose `Value` is the
// pressed state; clicking flips it. Besides clicked(), a mouse-up over the button reports which
// mouse button was released and the Shift / Ctrl state at that moment, so owners can give
// Ctrl-click a meaning (fine steps).

#include <QToolButton>

namespace brontle {

class XPButton : public QToolButton {
    Q_OBJECT
  public:
    explicit XPButton(QWidget* parent = nullptr);

    // Mouse buttons and modifier bits of MouseUp.
    static constexpr int LeftButton = 1;
    static constexpr int RightButton = 2;
    static constexpr int ShiftBit = 1;
    static constexpr int CtrlBit = 2;

    bool Enabled() const { return isEnabled(); }
    // setEnabled is QWidget's.

    // Two-state (toggle) button or plain button.
    bool check() const { return isCheckable(); }
    void setCheck(bool on);
    // Pressed state of a two-state button; false for a plain one. Setting it does not emit
    // clicked().
    bool Value() const { return isChecked(); }
    void setValue(bool pressed);
    // Look of the button; 0 flat (the only look; other values are kept for the owner).
    int buttonStyle() const { return style_; }
    void setButtonStyle(int style) { style_ = style; }

  signals:
    // Emitted on a mouse-up over the button: `button` 1 left, 2 right; `shift` = 1 for Shift,
    // + 2 for Ctrl. Comes before clicked() of the same click.
    void MouseUp(int button, int shift);

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    int style_ = 0;
};

} // namespace brontle
