#pragma once

#include "engine/publication_run.h"
#include "imaging/conversion.h"
#include "wizard/property_sheet_ext.h"
#include "wizard/trelliq_addresses.h"
#include "wizard/trelliq_colors.h"
#include "wizard/trelliq_finish.h"
#include "wizard/trelliq_first.h"
#include "wizard/trelliq_image_sentence.h"
#include "wizard/trelliq_image_settings.h"
#include "wizard/trelliq_progress.h"
#include "wizard/trelliq_second.h"
#include "wizard/trelliq_titles.h"

// Galvane's wizard: the nine pages in the order Next walks through them, the picture list and the
// publication run, which the pages reach through the publisher.
class CTrelliqSheet : public CPropertySheetExt {
    Q_OBJECT

public:
    enum PageIndex {
        kWelcome,
        kStyle,
        kAddresses,
        kTitles,
        kColors,
        kImageSettings,
        kImageOrder,
        kProgress,
        kFinish
    };

    explicit CTrelliqSheet(QWidget* parent = nullptr);
    ~CTrelliqSheet() override;

    GalleryPublisher& Publisher() { return m_publisher; }

protected:
    void OnHelp() override;

private:
    VimbralConverter m_converter;
    GalleryPublisher m_publisher;

public:
    ImageList& m_imageList;
    CTrelliqFirst m_first;
    CTrelliqSecond m_second;
    CTrelliqAddresses m_addresses;
    CTrelliqTitles m_titles;
    CTrelliqColors m_colors;
    CTrelliqImageSettings m_imageSettings;
    CTrelliqImageSentence m_imageSentence;
    CTrelliqProgress m_progress;
    CTrelliqFinish m_finish;
};

// Opens the program's help page.
void OpenHelpFile();
