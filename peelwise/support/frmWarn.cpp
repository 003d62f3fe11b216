#include "peelwise/support/frmWarn.h"

#include "peelwise/support/FontWiz.h"
#include "peelwise/support/StepRunner.h"
#include "peelwise/support/modWarn.h"

#include "brontle/core/Error.h"
#include "brontle/services/Log.h"
#include "brontle/services/SettingsStore.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace peelwise {

namespace {

// The dialog's own handlers end at their first error; the user is not told (the tip is only a
// tip), but the host's log keeps it.
void logTipError(const brontle::Error& error) {
    brontle::hostLog().write("frmWarn: error " + std::to_string(error.number()) + ": " +
                             error.description());
}

} // namespace

frmWarn::frmWarn(QWidget* parent) : QDialog(parent) {
    setObjectName("frmWarn");
    // The title bar names the plug-in; the heading inside already says "Did you know...".
    setWindowTitle("Peel-Wise");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);

    lblDidYouKnow = new QLabel("Did you know...", this);
    lblDidYouKnow->setObjectName("lblDidYouKnow");
    QFont heading = lblDidYouKnow->font();
    heading.setBold(true);
    lblDidYouKnow->setFont(heading);

    lblWarning = new QLabel(this);
    lblWarning->setObjectName("lblWarning");
    lblWarning->setWordWrap(true);
    lblWarning->setMinimumWidth(360);
    lblWarning->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    chkContinueToReceiveWarning = new QCheckBox("Continue to receive this message", this);
    chkContinueToReceiveWarning->setObjectName("chkContinueToReceiveWarning");

    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkContinueToReceiveWarning);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    auto* page = new QVBoxLayout(this);
    page->addWidget(lblDidYouKnow);
    page->addWidget(lblWarning, 1);
    page->addSpacing(8);
    page->addLayout(buttons);
    page->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
}

void frmWarn::showModal() {
    loaded_ = true;
    Form_Load();
    if (loaded_) {
        exec();
    }
    Unload();
}

void frmWarn::Form_Load() {
    StepRunner trap(ErrorPolicy::EndHandler, logTipError);
    trap([&] { FontWiz::shared().AdjustForm(this); });
    trap([&] { lblWarning->setText(QString::fromStdString(sWarning)); });
    trap([&] { chkContinueToReceiveWarning->setChecked(true); });
}

void frmWarn::cmdOK_Click() {
    Unload();
}

void frmWarn::reject() {
    Unload();
}

void frmWarn::Unload() {
    if (!loaded_) {
        return;
    }
    loaded_ = false;
    Form_Unload();
    if (isVisible()) {
        QDialog::done(QDialog::Accepted);
    }
}

void frmWarn::Form_Unload() {
    StepRunner trap(ErrorPolicy::EndHandler, logTipError);
    trap([&] {
        const bool checked = chkContinueToReceiveWarning->isChecked();
        brontle::settings().SaveSetting(sApplicationRegistryKey, modWarn::kTipsSection,
                                        sWarningRegistryEntry, checked ? "1" : "0");
    });
}

} // namespace peelwise
