#include "wizard/property_page_ext.h"

#include "wizard/data_exchange.h"
#include "wizard/galvane_app.h"
#include "wizard/property_sheet_ext.h"

CPropertyPageExt::CPropertyPageExt(const char* objectName, QWidget* parent) : QWidget(parent) {
    setObjectName(objectName);
}

bool CPropertyPageExt::UpdateData(bool saveAndValidate) {
    DataExchange dx(m_sheet != nullptr ? static_cast<QWidget*>(m_sheet) : this, saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

void CPropertyPageExt::DoDataExchange(DataExchange&) {}

GalleryJob& CPropertyPageExt::Job() const {
    return GetGalleryJob();
}

void CPropertyPageExt::SetWizardButtons(int mask) {
    if (m_sheet != nullptr) {
        m_sheet->SetWizardButtons(mask);
    }
}
