#pragma once
// The tip dialog: a "Did you know..." heading, the tip, and a check box that keeps the tip
// coming. modWarn::ShowWarning makes one, fills the three members and shows it; the dialog
// writes the check box state to the settings store when it closes, by OK or by its title bar.

#include <QDialog>

#include <string>

class QCheckBox;
class QLabel;
class QPushButton;

namespace peelwise {

class frmWarn : public QDialog {
    Q_OBJECT
  public:
    explicit frmWarn(QWidget* parent = nullptr);

    // Set before showModal().
    std::string sWarning;                // the tip, shown in lblWarning
    std::string sWarningRegistryEntry;   // key of the setting in section "Tips"
    std::string sApplicationRegistryKey; // application name of the setting

    // The load handler, then the modal show; returns when the dialog has closed.
    void showModal();

    QLabel* lblDidYouKnow = nullptr;
    QLabel* lblWarning = nullptr;
    QCheckBox* chkContinueToReceiveWarning = nullptr;
    QPushButton* cmdOK = nullptr;

    void Form_Load();
    void cmdOK_Click();
    // Writes the check box as "1" (checked) or "0" to (sApplicationRegistryKey, "Tips",
    // sWarningRegistryEntry).
    void Form_Unload();

  protected:
    // The title-bar close button and Escape close the dialog as OK does.
    void reject() override;

  private:
    void Unload();

    bool loaded_ = false;
};

} // namespace peelwise
