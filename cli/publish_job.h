#pragma once

#include <optional>
#include <string>

#include "cli/publish_options.h"
#include "engine/gallery_job.h"

// Turns the options into the job the wizard would have filled for the same choices, checking every
// input first so that bad input writes nothing. On an error returns nothing and sets `error`.
std::optional<GalleryJob> BuildPublishJob(const PublishOptions& options, std::string& error);

// Cuts one trailing '/', as stored folder paths carry none.
std::string WithoutTrailingSlash(std::string folder);
