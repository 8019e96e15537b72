#include "wizard/trelliq_first.h"

#include <QVBoxLayout>

#include "wizard/welcome_picture.h"

CTrelliqFirst::CTrelliqFirst(QWidget* parent)
    : CPropertyPageExt("welcomePage", parent), m_picture(new WelcomePicture(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_picture, 0, Qt::AlignCenter);
}

void CTrelliqFirst::OnInitDialog() {
    SetWizardButtons(kWizardNext);
}

bool CTrelliqFirst::OnSetActive() {
    SetWizardButtons(kWizardNext);
    return CPropertyPageExt::OnSetActive();
}
