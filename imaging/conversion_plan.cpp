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

// Whether a source lies in the destination folder, where an output may replace it.
class InDestination {
public:
    explicit InDestination(const std::string& destFolder) : m_destFolder(destFolder) {}
    bool operator()(const std::string& path) {
        const std::string folder = FolderOf(path);
        auto known = m_answers.find(folder);
        if (known == m_answers.end()) {
            known = m_answers.emplace(folder, IsSameFolder(folder, m_destFolder)).first;
        }
        return known->second;
    }

private:
    const std::string& m_destFolder;
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
    Groups groups(paths.size());
    std::unordered_map<std::string, std::size_t> firstToTouch;
    const auto touch = [&](std::string name, std::size_t entry) {
        const auto [known, added] = firstToTouch.emplace(std::move(name), entry);
        if (!added) {
            groups.Unite(entry, known->second);
        }
    };
    InDestination inDestination(settings.destFolder);
    for (std::size_t entry = 0; entry < paths.size(); ++entry) {
        for (PlannedOutput& output : OutputsOf(paths[entry], settings)) {
            touch(std::move(output.name), entry);
        }
        if (inDestination(paths[entry])) {
            touch(std::string(FileNameOf(paths[entry])), entry);
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
