#include "imaging/conversion_plan.h"

#include <numeric>
#include <unordered_map>

#include "engine/directory.h"
#include "engine/picture_names.h"

namespace {

class Groups {
public:
    explicit Groups(std::size_t count) : m_parent(count) { std::iota(m_parent.begin(), m_parent.end(), 0); }

    std::size_t Find(std::size_t i) {
        while (m_parent[i] != i) {
            m_parent[i] = m_parent[m_parent[i]];
            i = m_parent[i];
        }
        return i;
    }
    void Unite(std::size_t a, std::size_t b) { m_parent[Find(a)] = Find(b); }

private:
    std::vector<std::size_t> m_parent;
};

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// Whether a source lies in its destination folder, where an output may replace it.
class InDestination {
public:
    bool operator()(const std::string& path, const std::string& destFolder) {
        std::string folder = FolderOf(path);
        std::string key = folder + '\0' + destFolder;
        auto known = m_answers.find(key);
        if (known == m_answers.end()) {
            known = m_answers.emplace(std::move(key), IsSameFolder(folder, destFolder)).first;
        }
        return known->second;
    }

private:
    std::unordered_map<std::string, bool> m_answers;
};

}  // namespace

std::vector<PlannedOutput> OutputsOf(const std::string& sourcePath, const ConversionSettings& settings) {
    std::vector<PlannedOutput> outputs{{ThumbnailName(sourcePath), OutputKind::Thumbnail, {}}};
    if (settings.makeLargePictures) {
        outputs.push_back({LargePictureName(sourcePath, settings.jpegQuality), OutputKind::LargePicture, {}});
    }
    if (settings.variants.Any()) {
        for (VariantFile& file : PlanVariants(settings, sourcePath).files) {
            std::string name = file.name;
            outputs.push_back({std::move(name), OutputKind::Variant, std::move(file)});
        }
    }
    return outputs;
}

bool PlannedOutputUpToDate(const ConversionSettings& settings, const std::string& sourcePath,
                           const PlannedOutput& output, const std::optional<SourceIdentity>& identity) {
    if (output.kind != OutputKind::Variant) {
        return OutputUpToDate(settings, sourcePath, output.kind, &identity);
    }
    return !settings.rebuild && identity && output.variant &&
           IsOutputUpToDate(JoinPath(settings.destFolder, output.name),
                            VariantProvenanceText(settings, *output.variant, *identity));
}

std::vector<WorkUnit> PlanWorkUnits(const std::vector<std::string>& paths,
                                    const ConversionSettings& settings) {
    return PlanWorkUnits(paths, std::vector<const ConversionSettings*>(paths.size(), &settings));
}

std::vector<WorkUnit> PlanWorkUnits(const std::vector<std::string>& paths,
                                    const std::vector<const ConversionSettings*>& settingsOf) {
    Groups groups(paths.size());
    std::unordered_map<std::string, std::size_t> firstToTouch;
    const auto touch = [&](std::string name, std::size_t entry) {
        const auto [known, added] = firstToTouch.emplace(std::move(name), entry);
        if (!added) {
            groups.Unite(entry, known->second);
        }
    };
    InDestination inDestination;
    for (std::size_t entry = 0; entry < paths.size(); ++entry) {
        const ConversionSettings& settings = *settingsOf[entry];
        // Names are taken with their folder, so that albums' outputs of one name stay apart.
        for (PlannedOutput& output : OutputsOf(paths[entry], settings)) {
            touch(JoinPath(settings.destFolder, output.name), entry);
        }
        if (inDestination(paths[entry], settings.destFolder)) {
            touch(JoinPath(settings.destFolder, FileNameOf(paths[entry])), entry);
        }
    }
    std::vector<WorkUnit> units;
    std::unordered_map<std::size_t, std::size_t> unitOfGroup;
    for (std::size_t entry = 0; entry < paths.size(); ++entry) {
        const auto [unit, added] = unitOfGroup.emplace(groups.Find(entry), units.size());
        if (added) {
            units.emplace_back();
        }
        units[unit->second].push_back(entry);
    }
    return units;
}
