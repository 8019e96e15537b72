#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/gallery_job.h"
#include "engine/gap_page_buffer.h"
#include "engine/image_list.h"
#include "engine/page_context.h"
#include "engine/page_generation.h"
#include "engine/template_markers.h"
#include "tests/support/temp_folder.h"

// A destination folder, a job writing into it and a list of pictures named p1.jpg, p2.jpg, ...
class GenerationTest : public ::testing::Test {
protected:
    GenerationTest() {
        job.m_strDestFolder = dest.path();
        job.m_nJpegQuality = 75;
        job.m_strTitle = "T";
        job.m_strName = "N";
    }

    void SetPictures(int n, const std::string& extension = ".jpg") {
        images.RemoveAll();
        for (int i = 1; i <= n; ++i) {
            images.Add("/photos/p" + std::to_string(i) + extension);
        }
    }

    // Recognises the template text and generates its pages.
    void Generate(const std::string& templ) {
        GapPageBuffer page;
        page.Load(templ);
        const auto role = RecognizeTemplate(page);
        ASSERT_TRUE(role.has_value()) << templ;
        PageContext context{job, images};
        GeneratePage(page, role->kind, role->role, context);
    }

    std::string Page(const std::string& name) const { return ReadFile(dest / name); }
    bool Exists(const std::string& name) const { return FileExists(dest / name); }

    TempFolder dest;
    GalleryJob job;
    ImageList images;
};
