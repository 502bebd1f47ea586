#include "soundtrack/OriginalsStore.h"

#include "platform/Directories.h"
#include "platform/Environment.h"
#include "platform/FileCopy.h"
#include "platform/PathNames.h"
#include "platform/PosixDirectories.h"
#include "platform/ReadOnlyFile.h"
#include "soundtrack/ContentHash.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace corvan::soundtrack {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::size_t kLargestIndex = 16 << 20;

std::string hashOf(const std::string& path, std::error_code& error) {
    ContentHash hash;
    error = platform::readBlocks(
        path, [&](const std::uint8_t* data, std::size_t size) { hash.add(data, size); });
    return hash.hex();
}

// The index of one folder's copies; an unreadable or damaged index reads as empty, so the
// copies it listed are kept again rather than trusted blindly.
Json readIndex(const std::string& path) {
    std::string text;
    if (platform::readSmallFile(path, kLargestIndex, text)) return Json();
    Json index = Json::parse(text, nullptr, false);
    if (!index.is_object() || !index["folder"].is_string() || !index["tracks"].is_array())
        return Json();
    return index;
}

std::optional<KeptOriginal> keptFrom(const Json& entry, const std::string& folder,
                                     const std::string& keyPath) {
    if (!entry.is_object() || !entry["name"].is_string() || !entry["size"].is_number_unsigned() ||
        !entry["xxh128"].is_string())
        return std::nullopt;
    KeptOriginal kept;
    kept.folder = folder;
    kept.name = entry["name"];
    // A name from the index never leads out of the store.
    if (kept.name.find('/') != std::string::npos || kept.name == "." || kept.name == "..")
        return std::nullopt;
    kept.copy = platform::joinPath(keyPath, "tracks/" + kept.name);
    kept.size = entry["size"];
    kept.hash = entry["xxh128"];
    return kept;
}

std::vector<KeptOriginal> keptIn(const std::string& keyPath) {
    const Json index = readIndex(platform::joinPath(keyPath, "kept.json"));
    std::vector<KeptOriginal> kept;
    if (index.is_null()) return kept;
    for (const Json& entry : index["tracks"]) {
        if (auto one = keptFrom(entry, index["folder"], keyPath)) kept.push_back(*one);
    }
    return kept;
}

std::string folderOf(const std::string& track) {
    const std::string parent = platform::parentOf(track);
    return platform::realPath(parent.empty() ? "." : parent).value_or("");
}

}  // namespace

std::string OriginalsStore::rootIn(const std::string& dataHome) {
    return platform::joinPath(dataHome, "corvan/originals");
}

std::string OriginalsStore::folderKeyPath(const std::string& folder) const {
    ContentHash hash;
    hash.add(reinterpret_cast<const std::uint8_t*>(folder.data()), folder.size());
    return platform::joinPath(root_, hash.hex().substr(0, 16));
}

std::optional<std::string> OriginalsStore::keepOriginal(const std::string& track) {
    const std::string name = platform::fileNameOf(track);
    const auto notKept = [&](const std::string& reason) {
        return "could not keep a copy of the game's own " + name + " (" + reason +
               "); its backup " + name + ".bak holds it until the next replacement";
    };
    if (root_.empty())
        return notKept("there is no data folder: neither XDG_DATA_HOME nor HOME is set");
    const std::string folder = folderOf(track);
    if (folder.empty()) return notKept("its folder cannot be read");
    if (const std::optional<KeptOriginal> kept = find(track); kept && intact(*kept))
        return std::nullopt;

    const std::string keyPath = folderKeyPath(folder);
    if (const std::error_code error = platform::makePrivateFolders(keyPath + "/tracks"))
        return notKept(root_ + ": " + error.message());
    const std::string copy = platform::joinPath(keyPath, "tracks/" + name);
    ContentHash hash;
    std::uint64_t size = 0;
    if (const std::error_code error =
            platform::copyFile(track, copy, [&](const std::uint8_t* data, std::size_t n) {
                hash.add(data, n);
                size += n;
            }))
        return notKept(error.message());
    // Read back, so that a copy the disk did not keep is known now, not at restore time.
    std::error_code readError;
    if (hashOf(copy, readError) != hash.hex() || readError)
        return notKept("the copy reads back different");

    const std::string indexPath = platform::joinPath(keyPath, "kept.json");
    Json index = readIndex(indexPath);
    if (index.is_null()) index = Json{{"folder", folder}, {"tracks", Json::array()}};
    Json& tracks = index["tracks"];
    for (auto entry = tracks.begin(); entry != tracks.end();) {
        entry = (*entry)["name"] == name ? tracks.erase(entry) : entry + 1;
    }
    tracks.push_back(Json{{"name", name}, {"size", size}, {"xxh128", hash.hex()}});
    if (const std::error_code error = platform::writeFileWhole(
            indexPath, index.dump(2, ' ', false, Json::error_handler_t::replace) + "\n"))
        return notKept(error.message());
    return std::nullopt;
}

std::optional<KeptOriginal> OriginalsStore::find(const std::string& track) const {
    const std::string folder = folderOf(track);
    if (folder.empty() || root_.empty()) return std::nullopt;
    const std::string name = platform::fileNameOf(track);
    for (const KeptOriginal& kept : keptIn(folderKeyPath(folder))) {
        if (kept.folder == folder && kept.name == name) return kept;
    }
    return std::nullopt;
}

std::vector<KeptOriginal> OriginalsStore::list() const {
    platform::PosixDirectories directories;
    std::vector<platform::DirectoryEntry> entries;
    std::vector<KeptOriginal> all;
    if (root_.empty() || directories.list(root_, entries)) return all;
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const platform::DirectoryEntry& entry : entries) {
        if (entry.kind != platform::EntryKind::Directory) continue;
        for (const KeptOriginal& kept : keptIn(platform::joinPath(root_, entry.name)))
            all.push_back(kept);
    }
    return all;
}

bool OriginalsStore::intact(const KeptOriginal& kept) const {
    std::error_code error;
    return hashOf(kept.copy, error) == kept.hash && !error;
}

std::error_code OriginalsStore::forgetFolder(const std::string& folder) {
    if (root_.empty()) return {};
    return platform::removeTree(folderKeyPath(folder));
}

}  // namespace corvan::soundtrack
