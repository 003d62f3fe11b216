// The atlas parameters as the dialog's controls give them, built in one place for the unwrap
// driver and for OK: the texture size (with its mapping from the size list), the factor type
// and the factor.
#include "peelwise/editor/StoredText.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/plugin/modMain.h"
#include "peelwise/uv/UnwrapGeometry.h"

#include "brontle/core/Error.h"
#include "brontle/services/FileUtility.h"
#include "brontle/services/Log.h"
#include "brontle/views/Editport.h"
#include "brontle/views/UpDownText.h"

#include <QComboBox>

namespace peelwise {

namespace {

// Diagnostic lines the user does not see: the run's file utility, or the host's log directly
// when there is no run yet.
void writeLog(const std::string& line) {
    if (modMain::fileUtility) {
        modMain::fileUtility->WriteLog(line);
    } else {
        brontle::hostLog().write(line);
    }
}

} // namespace

TextureSize frmMain::atlasTextureSize() const {
    if (cboTextureOption->currentIndex() != 0) {
        return {lTextureWidth, lTextureHeight};
    }
    const int item = cboTextureSize->currentIndex();
    if (item < 0 || item > 24) {
        throw brontle::Error(brontle::ErrorNumber::SubscriptOutOfRange,
                             "Subscript out of range: texture size item " + std::to_string(item));
    }
    const std::int32_t side = std::int32_t{1} << (item + 6);
    return {side, side};
}

AtlasRequest frmMain::atlasRequestFromControls() {
    AtlasRequest request;
    request.device = dfeObjectPreview->DeviceID();
    request.renderDevice = dfeObjectPreview->RenderDevice();
    const TextureSize size = atlasTextureSize();
    if (cboTextureOption->currentIndex() == 0) {
        writeLog("Generate Atlas Texture Size: " + std::to_string(size.width));
    } else {
        writeLog("Generate Atlas Texture Name: " + sTextureName +
                 " Size: " + std::to_string(size.width) + "x" + std::to_string(size.height));
    }
    request.width = size.width;
    request.height = size.height;
    request.factorType = cboFactorType->currentIndex();
    request.factor = roundedWholeNumber(updFactor->text().toStdString());
    return request;
}

} // namespace peelwise
