#pragma once

#include "wizard/property_page_ext.h"

class WelcomePicture;

// The welcome page: one picture with the version, and only Next.
class CTrelliqFirst : public CPropertyPageExt {
    Q_OBJECT

public:
    explicit CTrelliqFirst(QWidget* parent = nullptr);

    void OnInitDialog() override;
    bool OnSetActive() override;

    WelcomePicture* m_picture;
};
