#include "imaging/conversion.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/directory.h"
#include "engine/picture_names.h"
#include "imaging/conversion_plan.h"
#include "imaging/output_provenance.h"
#include "imaging/picture_conversion.h"
#include "imaging/variant_conversion.h"

namespace {

// One conversion: workers take work units in turn; the calling thread reports each entry's two
// steps in list order as they complete.
class ConversionRun {
public:
    // `settingsOf[i]` and `albums[i]`: entry i's destination and its album's folder there.
    ConversionRun(std::vector<const ConversionSettings*> settingsOf, std::vector<std::string> albums,
                  std::vector<std::string> paths, PixelBudget& budget, const std::atomic<bool>& cancel)
        : m_settingsOf(std::move(settingsOf)),
          m_albums(std::move(albums)),
          m_budget(budget),
          m_paths(std::move(paths)),
          m_units(PlanWorkUnits(m_paths, m_settingsOf)),
          m_cancel(cancel),
          m_halvesDone(m_paths.size(), 0),
          m_outcomes(m_paths.size()),
          m_refusal(m_paths.size()) {}

    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;

    // Whatever happened on the calling thread, no worker outlives the run.
    ~ConversionRun() {
        m_abandoned = true;
        Join();
    }

    // Waits for the pictures under way, so that the outcomes tell all that was written.
    void Join() {
        for (std::thread& thread : m_threads) {
            if (thread.joinable()) {
                thread.join();
            }
        }
    }

    void Start(unsigned maxWorkers) {
        const unsigned workers = static_cast<unsigned>(std::min<std::size_t>(maxWorkers, m_units.size()));
        {
            const std::lock_guard lock(m_mutex);
            m_workersRunning = workers;
        }
        for (unsigned i = 0; i < workers; ++i) {
            try {
                m_threads.emplace_back(&ConversionRun::Work, this);
            } catch (...) {
                const std::lock_guard lock(m_mutex);
                --m_workersRunning;
            }
        }
        if (m_threads.empty() && workers > 0) {  // no thread to be had: convert here
            {
                const std::lock_guard lock(m_mutex);
                m_workersRunning = 1;
            }
            Work();
        }
    }

    void ReportInOrder(ConversionProgress& bar) {
        for (std::size_t entry = 0; entry < m_paths.size(); ++entry) {
            bar.Picture(static_cast<int>(entry), std::string(FileNameOf(m_paths[entry])));
            for (int half = 1; half <= 2; ++half) {
                if (!WaitForHalf(entry, half)) {
                    return;
                }
                bar.Step();
            }
        }
    }

    // What became of each entry, in list order.
    std::vector<PictureOutcome> Outcomes() {
        const std::lock_guard lock(m_mutex);
        return m_outcomes;
    }

    // The finished entries refused for their memory, in list order.
    std::vector<VimbralConverter::Refusal> Refused() {
        const std::lock_guard lock(m_mutex);
        std::vector<VimbralConverter::Refusal> refused;
        for (std::size_t entry = 0; entry < m_paths.size(); ++entry) {
            if (m_halvesDone[entry] == 2 && !m_refusal[entry].empty()) {
                refused.push_back({m_paths[entry], m_refusal[entry]});
            }
        }
        return refused;
    }

    int Converted() const { return m_converted.load(); }
    int UpToDate() const { return m_upToDate.load(); }

private:
    bool ShouldStop() const { return m_cancel.load() || m_abandoned.load(); }

    void Work() noexcept {
        try {
            while (!ShouldStop()) {
                const std::size_t unit = m_nextUnit.fetch_add(1);
                if (unit >= m_units.size()) {
                    break;
                }
                for (const std::size_t entry : m_units[unit]) {
                    if (ShouldStop()) {
                        break;
                    }
                    ConvertEntry(entry);
                }
            }
        } catch (...) {
            // A failure outside the picture calls ends the conversion early, as in list order.
            m_abandoned = true;
        }
        {
            const std::lock_guard lock(m_mutex);
            --m_workersRunning;
        }
        m_changed.notify_all();
    }

    // Both halves of one entry, within the memory budget, unless its outputs are up to date.
    void ConvertEntry(std::size_t entry) {
        const ConversionSettings& settings = *m_settingsOf[entry];
        if (settings.variants.AnyFiles()) {
            ConvertEntryWithVariants(entry);
            return;
        }
        const std::string& path = m_paths[entry];
        // The size alone is planned from the header: the designed conversion makes the files.
        if (settings.variants.largeSize) {
            VariantsShown(entry, PlanVariants(settings, path).shown);
        }
        // Each output is remade only when it is stale: a new thumbnail box leaves large pictures be.
        const std::optional<SourceIdentity> identity = IdentifySource(path);
        const bool largeFresh = OutputUpToDate(settings, path, OutputKind::LargePicture, &identity);
        const bool thumbnailFresh = OutputUpToDate(settings, path, OutputKind::Thumbnail, &identity);
        if (largeFresh && thumbnailFresh) {
            m_upToDate.fetch_add(1);
            const std::string large =
                settings.makeLargePictures
                    ? JoinPath(settings.destFolder, LargePictureName(path, settings.jpegQuality))
                    : std::string();
            HalfDone(entry, {HalfResult::Skipped, large, {}});
            HalfDone(entry, {HalfResult::Written, JoinPath(settings.destFolder, ThumbnailName(path)), {}},
                     true);
            return;
        }
        std::optional<PixelBudget::Reservation> reservation;
        // A picture that cannot be read costs nothing: its halves fail at once.
        if (const auto cost = ConversionMemoryCost(settings, path)) {
            if (*cost > m_budget.Capacity()) {
                Refuse(entry, TooLargeReason(*cost, m_budget.Capacity()));
                return;
            }
            reservation = m_budget.Reserve(*cost, [this] { return ShouldStop(); });
            if (!reservation) {
                return;  // stopped while waiting: the entry never started
            }
        }
        const std::vector<PlannedOutput> foreign = ForeignOutputs(entry, largeFresh, thumbnailFresh);
        const HalfResult large =
            largeFresh ? HalfResult{HalfResult::Skipped, {}, {}} : MakeLargePicture(settings, path);
        NoteReplaced(entry, foreign, OutputKind::LargePicture, large);
        HalfDone(entry, large);
        const HalfResult thumbnail =
            thumbnailFresh ? HalfResult{HalfResult::Written, {}, {}} : MakeThumbnail(settings, path);
        if (thumbnail.kind == HalfResult::Written) {
            m_converted.fetch_add(1);
        }
        if (!thumbnailFresh) {
            NoteReplaced(entry, foreign, OutputKind::Thumbnail, thumbnail);
        }
        HalfDone(entry, thumbnail);
    }

    // Outputs about to be written over a file there that carries no mark of the conversion: the
    // user's own file at an output's name. (The source itself, when it is its own large picture, is
    // not written over.)
    std::vector<PlannedOutput> ForeignOutputs(std::size_t entry, bool largeFresh, bool thumbnailFresh) const {
        std::vector<PlannedOutput> foreign;
        const ConversionSettings& settings = *m_settingsOf[entry];
        for (PlannedOutput& output : OutputsOf(m_paths[entry], settings)) {
            // Variants are never written over a file without the mark (ConvertWithVariants).
            const bool fresh = output.kind == OutputKind::Variant ||
                               (output.kind == OutputKind::Thumbnail ? thumbnailFresh : largeFresh);
            const std::string target = JoinPath(settings.destFolder, output.name);
            struct stat st {};
            // Only a regular file is looked into: a FIFO would hang the read.
            if (fresh || ::lstat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
                ReadProvenance(target)) {
                continue;
            }
            struct stat source {};
            if (::stat(m_paths[entry].c_str(), &source) == 0 && ::stat(target.c_str(), &st) == 0 &&
                source.st_dev == st.st_dev && source.st_ino == st.st_ino) {
                continue;
            }
            if (!m_albums[entry].empty()) {
                output.name = JoinPath(m_albums[entry], output.name);
            }
            foreign.push_back(std::move(output));
        }
        return foreign;
    }

    // Names the foreign outputs of `kind` in the entry's outcome once the half has written them.
    void NoteReplaced(std::size_t entry, const std::vector<PlannedOutput>& foreign, OutputKind kind,
                      const HalfResult& half) {
        if (half.kind != HalfResult::Written) {
            return;
        }
        const std::lock_guard lock(m_mutex);
        for (const PlannedOutput& output : foreign) {
            if (output.kind == kind) {
                m_outcomes[entry].replacedForeign.push_back(output.name);
            }
        }
    }

    // The same, with the variants the style asks for, all from one decode.
    void ConvertEntryWithVariants(std::size_t entry) {
        const ConversionSettings& settings = *m_settingsOf[entry];
        const std::string& path = m_paths[entry];
        VariantPlan plan = PlanVariants(settings, path);
        const StaleOutputs stale = FindStaleOutputs(settings, path, plan);
        if (!stale.Any()) {
            m_upToDate.fetch_add(1);
            VariantsShown(entry, plan.shown);
            const std::string large =
                settings.makeLargePictures
                    ? JoinPath(settings.destFolder, LargePictureName(path, settings.jpegQuality))
                    : std::string();
            HalfDone(entry, {HalfResult::Skipped, large, {}});
            HalfDone(entry, {HalfResult::Written, JoinPath(settings.destFolder, ThumbnailName(path)), {}},
                     true);
            return;
        }
        std::optional<PixelBudget::Reservation> reservation;
        if (const auto cost = VariantConversionMemoryCost(settings, path, plan)) {
            if (*cost > m_budget.Capacity()) {
                Refuse(entry, TooLargeReason(*cost, m_budget.Capacity()));
                return;
            }
            reservation = m_budget.Reserve(*cost, [this] { return ShouldStop(); });
            if (!reservation) {
                return;
            }
        }
        const std::vector<PlannedOutput> foreign = ForeignOutputs(entry, !stale.large, !stale.thumbnail);
        const VariantConversion made =
            ConvertWithVariants(settings, path, plan, stale, [&](const HalfResult& large) {
                NoteReplaced(entry, foreign, OutputKind::LargePicture, large);
                HalfDone(entry, large);
            });
        for (std::size_t i = 0; i < made.variants.size(); ++i) {
            const HalfResult& variant = made.variants[i];
            if (variant.kind != HalfResult::Written && variant.kind != HalfResult::Skipped) {
                // The pages name only files that are there.
                ForgetVariant(plan.shown, plan.files[i]);
                VariantFailed(entry, variant);
            }
        }
        VariantsShown(entry, plan.shown);
        if (made.thumbnail.kind == HalfResult::Written) {
            m_converted.fetch_add(1);
        }
        if (stale.thumbnail) {
            NoteReplaced(entry, foreign, OutputKind::Thumbnail, made.thumbnail);
        }
        HalfDone(entry, made.thumbnail);
    }

    void VariantsShown(std::size_t entry, const PictureVariants& shown) {
        const std::lock_guard lock(m_mutex);
        m_outcomes[entry].variants = shown;
    }

    void VariantFailed(std::size_t entry, const HalfResult& variant) {
        const std::lock_guard lock(m_mutex);
        PictureOutcome& outcome = m_outcomes[entry];
        if (variant.kind == HalfResult::Unreadable) {
            if (outcome.unreadable.empty()) {
                outcome.unreadable = variant.reason;
            }
        } else {
            outcome.notWritten.push_back({variant.target, variant.reason});
        }
    }

    static std::string TooLargeReason(std::int64_t cost, std::int64_t capacity) {
        const auto megabytes = [](std::int64_t bytes) {
            return std::to_string((bytes + (1 << 20) - 1) >> 20);
        };
        return "needs about " + megabytes(cost) + " MB of memory to convert, more than the " +
               megabytes(capacity) + " MB that pictures may take at once";
    }

    void Refuse(std::size_t entry, std::string reason) {
        {
            const std::lock_guard lock(m_mutex);
            PictureOutcome& outcome = m_outcomes[entry];
            outcome.reached = true;
            outcome.unreadable = reason;
            m_refusal[entry] = std::move(reason);
            m_halvesDone[entry] = 2;
        }
        m_changed.notify_all();
    }

    void HalfDone(std::size_t entry, const HalfResult& half, bool upToDate = false) {
        {
            const std::lock_guard lock(m_mutex);
            PictureOutcome& outcome = m_outcomes[entry];
            const bool thumbnail = ++m_halvesDone[entry] == 2;
            outcome.reached = true;
            outcome.upToDate = upToDate;
            if (half.kind == HalfResult::Unreadable && outcome.unreadable.empty()) {
                outcome.unreadable = half.reason;
            } else if (half.kind == HalfResult::NotWritten) {
                outcome.notWritten.push_back({half.target, half.reason});
            }
            if (thumbnail) {
                outcome.thumbnailWritten = half.kind == HalfResult::Written;
            }
        }
        m_changed.notify_all();
    }

    // False when the step will not come: cancelled, or every worker has stopped without it. The
    // cancel flag is set without a notification, so it is looked at every few milliseconds.
    bool WaitForHalf(std::size_t entry, int half) {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (m_cancel.load()) {
                return false;
            }
            if (m_halvesDone[entry] >= half) {
                return true;
            }
            if (m_workersRunning == 0) {
                return false;
            }
            m_changed.wait_for(lock, std::chrono::milliseconds(20));
        }
    }

    const std::vector<const ConversionSettings*> m_settingsOf;
    const std::vector<std::string> m_albums;
    PixelBudget& m_budget;
    const std::vector<std::string> m_paths;
    const std::vector<WorkUnit> m_units;
    const std::atomic<bool>& m_cancel;
    std::atomic<bool> m_abandoned{false};
    std::atomic<std::size_t> m_nextUnit{0};
    std::atomic<int> m_converted{0};
    std::atomic<int> m_upToDate{0};

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<int> m_halvesDone;           // by m_mutex
    std::vector<PictureOutcome> m_outcomes;  // by m_mutex
    std::vector<std::string> m_refusal;      // by m_mutex: why an entry was left out
    unsigned m_workersRunning = 0;           // by m_mutex
    std::vector<std::thread> m_threads;
};

// An explicit count is taken as it is: the memory budget, not the number of cores, bounds what
// the workers hold.
unsigned WorkerLimit(unsigned requested) {
    return requested == 0 ? std::max(1u, std::thread::hardware_concurrency()) : requested;
}

}  // namespace

int VimbralConverter::ConvertImages(const GalleryJob& job, const ImageList& images, ProgressSink& progress,
                                    const std::atomic<bool>& cancel) {
    const int count = static_cast<int>(images.GetSize());
    m_outcomes.clear();
    m_refused.clear();
    m_converted = m_upToDate = 0;
    try {
        std::vector<std::string> paths, albums;
        paths.reserve(images.GetSize());
        albums.reserve(images.GetSize());
        // One settings per album folder; the map's nodes stay where they are.
        std::map<std::string, ConversionSettings> settingsOfAlbum;
        std::vector<const ConversionSettings*> settingsOf;
        for (std::size_t i = 0; i < images.GetSize(); ++i) {
            const ImageEntry& entry = images.ElementAt(i);
            paths.push_back(entry.path);
            albums.push_back(entry.album);
            auto [settings, added] = settingsOfAlbum.try_emplace(entry.album);
            if (added) {
                settings->second = AlbumSettingsOf(job, entry.album);
                settings->second.rebuild = m_rebuild;
            }
            settingsOf.push_back(&settings->second);
        }
        ConversionProgress bar(progress, count);
        ConversionRun run(std::move(settingsOf), std::move(albums), std::move(paths), m_budget, cancel);
        run.Start(WorkerLimit(m_maxWorkers));
        run.ReportInOrder(bar);
        run.Join();
        m_outcomes = run.Outcomes();
        m_refused = run.Refused();
        m_converted = run.Converted();
        m_upToDate = run.UpToDate();
    } catch (...) {
        // As designed: a failure outside the picture calls ends the conversion early.
    }
    return count;
}

namespace {

// The settings of each album, made once: they read the style's templates.
class AlbumSettingsCache {
public:
    AlbumSettingsCache(const GalleryJob& job, bool rebuild) : m_job(job), m_rebuild(rebuild) {}

    const ConversionSettings& Of(const std::string& album) {
        auto [settings, added] = m_settings.try_emplace(album);
        if (added) {
            settings->second = AlbumSettingsOf(m_job, album);
            settings->second.rebuild = m_rebuild;
        }
        return settings->second;
    }

private:
    const GalleryJob& m_job;
    const bool m_rebuild;
    std::map<std::string, ConversionSettings> m_settings;
};

}  // namespace

std::vector<std::string> VimbralConverter::OutputNames(const GalleryJob& job, const ImageList& images) const {
    std::vector<std::string> names;
    AlbumSettingsCache settingsOf(job, false);
    for (std::size_t i = 0; i < images.GetSize(); ++i) {
        const ImageEntry& entry = images.ElementAt(i);
        for (PlannedOutput& output : OutputsOf(entry.path, settingsOf.Of(entry.album))) {
            names.push_back(entry.album.empty() ? std::move(output.name)
                                                : JoinPath(entry.album, output.name));
        }
    }
    return names;
}

std::vector<PictureConverter::StaleOutput> VimbralConverter::StaleOutputs(const GalleryJob& job,
                                                                        const ImageList& images) const {
    std::vector<StaleOutput> stale;
    AlbumSettingsCache settingsOf(job, m_rebuild);
    for (std::size_t i = 0; i < images.GetSize(); ++i) {
        const ImageEntry& entry = images.ElementAt(i);
        const ConversionSettings& settings = settingsOf.Of(entry.album);
        const std::optional<SourceIdentity> identity = IdentifySource(entry.path);
        for (PlannedOutput& output : OutputsOf(entry.path, settings)) {
            if (!PlannedOutputUpToDate(settings, entry.path, output, identity)) {
                // Variants are never written over a file without the mark (ConvertWithVariants).
                stale.push_back({entry.album.empty() ? std::move(output.name) : JoinPath(entry.album, output.name),
                                 output.kind == OutputKind::Variant});
            }
        }
    }
    return stale;
}

std::optional<PictureConverter::OutputMark> VimbralConverter::ReadOutputMark(const std::string& path) const {
    const auto text = ReadProvenance(path);
    const auto fields = text ? ParseProvenance(*text) : std::nullopt;
    if (!fields) {
        return std::nullopt;
    }
    return OutputMark{fields->kind, fields->sourceName};
}

std::string VimbralConverter::WhyUnreadable(const std::string& path) const {
    return WhySourceUnreadable(path);
}
