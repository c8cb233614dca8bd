#pragma once

#include <optional>
#include <string>

#include "window/GuiPrompts.h"

// The real boxes, with the session file's name given as if chosen in the save dialog.
struct SessionFilePrompts : GuiPrompts {
    std::string File;
    std::optional<std::string> SaveFileName(const std::string&, const std::string&,
                                            const std::string&) override {
        return File;
    }
};
