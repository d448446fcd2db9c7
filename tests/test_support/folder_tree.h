// Reads a folder tree into a map for comparing whole trees in tests: every entry's path
// relative to the root, with "<dir>", "<link> target" or the file's bytes. Test code.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace kiv::test_support {

using FolderTree = std::map<std::string, std::string>;

inline FolderTree readFolderTree(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    FolderTree tree;
    if (!fs::exists(fs::symlink_status(root))) {
        return tree;
    }
    for (auto entry = fs::recursive_directory_iterator(root); entry != fs::recursive_directory_iterator(); ++entry) {
        const std::string name = fs::relative(entry->path(), root).generic_string();
        if (entry->is_symlink()) {
            tree[name] = "<link> " + fs::read_symlink(entry->path()).string();
            entry.disable_recursion_pending();
        } else if (entry->is_directory()) {
            tree[name] = "<dir>";
        } else {
            std::ifstream file(entry->path(), std::ios::binary);
            tree[name] = std::string(std::istreambuf_iterator<char>(file), {});
        }
    }
    return tree;
}

// Writes a file with its folders.
inline void writeTreeFile(const std::filesystem::path& path, const std::string& text) {
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path());
    }
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace kiv::test_support
