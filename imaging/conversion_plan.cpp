#include "imaging/conversion_plan.h"

#include <numeric>
#include <unordered_map>

#include "engine/directory.h"
#include "engine/picture_names.h"
#include "imaging/variant_plan.h"

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
        for (std::string& name : PlannedOutputNames(paths[entry], settings)) {
            touch(std::move(name), entry);
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

std::vector<std::string> PlannedOutputNames(const std::string& path, const ConversionSettings& settings) {
    std::vector<std::string> names{ThumbnailName(path)};
    if (settings.makeLargePictures) {
        names.push_back(LargePictureName(path, settings.jpegQuality));
    }
    for (VariantFile& file : PlanVariants(settings, path).files) {
        names.push_back(std::move(file.name));
    }
    return names;
}
