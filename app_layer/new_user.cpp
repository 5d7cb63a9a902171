#include "app_layer/new_user.h"

#include <system_error>

#include "options/options_file.h"

namespace quil {

void loadOptionsOrStartNewUser(TrackerState& s, const std::filesystem::path& file,
                               EngineId engine) {
    std::error_code ec;
    const bool isNew =
        std::filesystem::symlink_status(file, ec).type() == std::filesystem::file_type::not_found;
    if (isNew && engine != ClassicEngine && file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), ec);
    }
    loadOptions(s, file);
    if (!isNew || engine == ClassicEngine) return;
    s.shared.engineChoice = engine;
    saveOptions(s, file);
}

}  // namespace quil
