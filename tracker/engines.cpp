#include "tracker/engines.h"

#include <memory>

#include "tracker/lifecycle.h"

namespace quil {

bool loadPreciseEngine(TrackerState& s, const std::filesystem::path& modelFile) {
    s.precise.tools.model = landmarks::LandmarkModel::load(modelFile);
    if (!s.precise.tools.model) {
        s.shared.preciseAvailable = false;
        return false;
    }
    if (!s.precise.tools.detector) {
        s.precise.tools.detector = std::make_unique<landmarks::FaceDetector>();
    }
    s.shared.preciseAvailable = true;
    return true;
}

bool loadFullLandmarkModel(TrackerState& s, const std::filesystem::path& modelFile) {
    s.precise.tools.fullModel = landmarks::FullLandmarkModel::load(modelFile);
    return s.precise.tools.fullModel != nullptr;
}

LoadedModels loadEngines(TrackerState& s, const std::filesystem::path& modelFile,
                         const std::filesystem::path& fullModelFile) {
    LoadedModels loaded;
    loaded.precise = !modelFile.empty() && loadPreciseEngine(s, modelFile);
    loaded.outlines =
        loaded.precise && !fullModelFile.empty() && loadFullLandmarkModel(s, fullModelFile);
    s.engine = wantedEngine(s);
    return loaded;
}

int32_t wantedEngine(const TrackerState& s) {
    return s.shared.engineChoice.load() == PreciseEngine && s.shared.preciseAvailable.load()
               ? PreciseEngine
               : ClassicEngine;
}

void switchEngine(TrackerState& s, Desktop& desktop) {
    s.engine = wantedEngine(s);
    endTracking(s, desktop, Ending::EngineSwitch);
}

}  // namespace quil
