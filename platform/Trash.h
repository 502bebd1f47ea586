#pragma once

#include <string>
#include <system_error>

namespace corvan::platform {

// The desktop's wastebasket: a file moved there can still be taken back by the user.
class Trash {
public:
    virtual ~Trash() = default;

    // Moves the file at `path` to the trash; `inTrash` tells where it went.
    virtual std::error_code moveToTrash(const std::string& path, std::string& inTrash) = 0;
    // Takes a file this trash took back to `path`, as if it had never gone.
    virtual std::error_code putBack(const std::string& inTrash, const std::string& path) = 0;
};

// The trash the desktops of Linux share, as freedesktop.org sets it out:
// DATA_HOME/Trash for files on the home's volume, TOPDIR/.Trash/UID or TOPDIR/.Trash-UID for
// files on other volumes, each file with an info file saying where it came from and when.
class FreedesktopTrash final : public Trash {
public:
    // `dataHome`: XDG_DATA_HOME, or HOME/.local/share.
    explicit FreedesktopTrash(std::string dataHome) : dataHome_(std::move(dataHome)) {}

    std::error_code moveToTrash(const std::string& path, std::string& inTrash) override;
    std::error_code putBack(const std::string& inTrash, const std::string& path) override;

private:
    std::string dataHome_;
};

}  // namespace corvan::platform
