#pragma once
// Which letter and digit keys are held down, learnt by watching the application's key events.
// Qt answers "is Shift held" directly but has no query for an ordinary key, so the Qt platform
// installs one tracker on the application: every key press and release that reaches any object
// passes its filter first. Keys held while the application is inactive are forgotten when it
// loses focus, since their release would never be seen.

#include <QObject>
#include <QSet>

namespace brontle {

class KeyTracker : public QObject {
  public:
    // Installs itself as an event filter of `application` and becomes its child, so it lives
    // exactly as long as the application does.
    explicit KeyTracker(QObject* application);
    ~KeyTracker() override;

    // `qtKey` is a Qt::Key; for letters and digits it equals the virtual-key code ('X' is 88).
    bool isDown(int qtKey) const { return down_.contains(qtKey); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QObject* application_;
    QSet<int> down_;
};

} // namespace brontle
