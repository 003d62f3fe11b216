#pragma once
// Gives the plug-in's dialogs the platform's user-interface font.
//
// The font is settled once, when the object is made, from brontle::platform().systemFont():
// "Segoe UI" at 9 points when that is the system's message font, "Tahoma" at 8.25 points for any
// other face. AdjustForm gives it to a form and then, through AdjustControls, to each of the
// form's controls, except a few controls that are treated by name (exact, case-sensitive):
//
//   "txtScript", "txtDetails"   "Courier New", 9 points
//   "rtxTutorialStep"           left as designed
//   "lblEdition"                FontName; its own size limited to 11.25 .. 14.25 points
//   "lblOrvaneSoftware"         FontName, 11.25 points
//   any other name              FontName, FontSizeDefault
//
// Only the face and the size change; weight, slant and the rest of a control's font stay. A
// control's font is set explicitly, so it no longer follows its parent's.

#include <QList>

#include <cstdint>
#include <string>

class QObject;
class QWidget;

namespace peelwise {

class FontWiz {
  public:
    // Reads the system font from the process platform.
    FontWiz();

    // The instance the dialogs share, made on first use (its values never change afterwards).
    static FontWiz& shared();

    const std::string& FontName() const { return fontName_; }
    // The face of a newly made default font of the platform.
    const std::string& FontNameDefault() const { return fontNameDefault_; }
    // Points, a fixed-point value with four decimals (9 or 8.25 once the face is settled).
    double FontSizeDefault() const { return static_cast<double>(fontSizeTenThousandths_) / 1e4; }

    // Sets the form's face and size, then adjusts its controls (controlsOf). Throws
    // Error(ObjectNotSet) for a null form; errors of single controls are ignored.
    void AdjustForm(QWidget* form) const;
    // Applies the table above to every control of the list, in order. Objects that have no font
    // (not widgets: timers, actions, the common dialog) or no name are passed over; an error of
    // one control is ignored and the next one is adjusted.
    void AdjustControls(const QList<QObject*>& controls) const;

    // The form's controls in creation order: every descendant, each parent before its own
    // children (the order in which Qt keeps children).
    static QList<QObject*> controlsOf(const QWidget& form);

  private:
    std::string fontName_;
    std::string fontNameDefault_;
    std::int64_t fontSizeTenThousandths_ = 0;
};

} // namespace peelwise
