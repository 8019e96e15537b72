#include "wizard/trelliq_sheet.h"

#include <QIcon>

#include "engine/program_info.h"
#include "wizard/galvane_app.h"
#include "wizard/shell.h"

CTrelliqSheet::CTrelliqSheet(QWidget* parent)
    : CPropertySheetExt(kProgramName, parent),
      m_publisher(GetGalleryJob(), m_converter),
      m_imageList(m_publisher.m_imageList),
      m_imageSentence(m_publisher),
      m_progress(m_publisher) {
    setObjectName("trelliqSheet");
    setWindowIcon(QIcon(":/galvane/galvane.png"));
    for (CPropertyPageExt* page : std::initializer_list<CPropertyPageExt*>{
             &m_first, &m_second, &m_addresses, &m_titles, &m_colors, &m_imageSettings, &m_imageSentence,
             &m_progress, &m_finish}) {
        AddPage(page);
    }
    m_finish.SetRunReport(&m_publisher.Report());
}

CTrelliqSheet::~CTrelliqSheet() {
    // The pages' workers use the pages and the publisher: they end before any of them goes.
    StopWorkAndWait();
}

void CTrelliqSheet::OnHelp() {
    OpenHelpFile();
}

void OpenHelpFile() {
    if (CGalvaneApp* app = GetGalvaneApp()) {
        OpenLocalFile(app->m_strHelpPath);
    }
}
