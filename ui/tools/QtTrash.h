#pragma once

#include "platform/Trash.h"

namespace corvan::ui {

// The desktop's trash as Qt reaches it (QFile::moveToTrash), for the desktop program.
class QtTrash final : public platform::Trash {
public:
    std::error_code moveToTrash(const std::string& path, std::string& inTrash) override;
    std::error_code putBack(const std::string& inTrash, const std::string& path) override;
};

}  // namespace corvan::ui
