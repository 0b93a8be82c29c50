#pragma once

// Folder paths as the folder editor's drive list, folder tree and file list
// take them: roots, names compared without regard to case, and whether a
// path is a folder.

#include <windows.h>

#include <cctype>
#include <string>

namespace framory::win32::folder_paths {

inline bool same_name(const std::string& a, const std::string& b)
{
    return _stricmp(a.c_str(), b.c_str()) == 0;
}

// The root of a path: a drive's ("C:\"), a network share's
// ("\\server\share\"), or the current drive's.
inline std::string root_of(const std::string& path)
{
    if (path.size() >= 2 && path[1] == ':') {
        return std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])))) + ":\\";
    }
    if (path.rfind("\\\\", 0) == 0) {
        std::size_t cut = path.find('\\', 2);
        cut = cut == std::string::npos ? std::string::npos : path.find('\\', cut + 1);
        return cut == std::string::npos ? path + "\\" : path.substr(0, cut + 1);
    }
    char full[MAX_PATH] = {};
    const DWORD got = GetFullPathNameA("\\", MAX_PATH, full, nullptr);
    return got > 0 && got < MAX_PATH ? std::string(full) : std::string("C:\\");
}

// A folder as the browser reports it: no trailing "\" except at a root.
inline std::string plain_folder(std::string folder)
{
    const std::string root = root_of(folder);
    while (folder.size() > root.size() && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder.size() < root.size() ? root : folder;
}

inline bool is_folder(const std::string& path)
{
    // A drive without a medium answers at once, without the system's
    // "insert a disk" box.
    const UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    SetErrorMode(old_mode);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace framory::win32::folder_paths
