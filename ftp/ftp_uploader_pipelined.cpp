// The times of the files in doubt over one login of their own, with the MDTM commands on the way at
// once; the attribute reads of ReadAttributesSpread take over wherever that does not work.
#include <algorithm>

#include "ftp/ftp_uploader.h"
#include "ftp/pipelined_times.h"

namespace {

// A login costs about as many round trips as this many MDTM commands one after the other.
constexpr std::size_t kPipelineFrom = 8;
// The longest silence of a server that has commands to answer before it counts as one that does
// not take commands sent ahead.
constexpr std::chrono::seconds kLongestQuiet{10};

}  // namespace

bool FtpUploader::ReadTimesPipelined(const std::vector<std::string>& names,
                                     std::map<std::string, std::pair<std::int64_t, std::time_t>>& found) {
    found.clear();
    // A login beside the first only where the upload may use two; SFTP has no such commands.
    const auto address = ParseServerText(m_inputs.server);
    if (names.size() < kPipelineFrom || ConnectionCount() < 2 || !address ||
        address->scheme == FtpScheme::Sftp || IsAborted()) {
        return false;
    }
    PipelinedTimesSetup setup;
    setup.address = *address;
    setup.login = m_inputs.login;
    setup.password = m_inputs.password;
    setup.caFile = m_settings.caFile;
    setup.timeouts = m_timeouts;
    setup.folder = m_inputs.subfolder;
    setup.quiet = std::min<std::chrono::milliseconds>(m_timeouts.stall, kLongestQuiet);
    setup.aborted = [this] { return IsAborted(); };
    PipelinedTimes reader;
    return reader.Open(setup) && reader.Read(names, found);
}
