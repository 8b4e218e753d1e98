#include "backends/sim/SimSurfaces.h"

namespace kelvra::sim {

struct SimSurfaces::Records {
    std::vector<State> states;  // index = id - 1
    std::map<uint64_t, SimSurfaces::Surface*> living;
};

// A handle the program holds; it writes through to the shared record, which outlives it.
class SimSurfaces::Surface final : public port::Surface {
  public:
    Surface(std::shared_ptr<Records> records, uint64_t id) : records_(std::move(records)), id_(id) {
        records_->living[id_] = this;
    }
    ~Surface() override {
        state().alive = false;
        state().visible = false;
        records_->living.erase(id_);
    }

    port::SurfaceKind kind() const override { return records_->states[id_ - 1].kind; }
    void setFrame(const Rect& frame) override {
        state().frame = frame;
        state().frameChanges++;
    }
    void setOpacity(double opacity) override {
        state().opacity = opacity;
        state().opacityChanges++;
    }
    void setVisible(bool visible) override { state().visible = visible; }
    void setModel(const port::SurfaceModel& model) override {
        if (port::kindOf(model) != state().kind) return;
        state().model = model;
    }
    void stackAbove(const std::vector<port::WindowRef>& group) override {
        state().stackedAbove = group;
    }

  private:
    friend class SimSurfaces;  // delivers the user's input
    State& state() { return records_->states[id_ - 1]; }
    std::shared_ptr<Records> records_;
    uint64_t id_;
};

SimSurfaces::SimSurfaces() : records_(std::make_shared<Records>()) {}
SimSurfaces::~SimSurfaces() = default;

std::unique_ptr<port::Surface> SimSurfaces::create(const port::SurfaceModel& model) {
    State s;
    s.id = records_->states.size() + 1;
    s.kind = port::kindOf(model);
    s.model = model;
    records_->states.push_back(s);
    return std::make_unique<Surface>(records_, s.id);
}

std::vector<SimSurfaces::State> SimSurfaces::all() const {
    return records_->states;
}

std::optional<SimSurfaces::State> SimSurfaces::find(port::SurfaceKind kind) const {
    const auto& states = records_->states;
    for (auto it = states.rbegin(); it != states.rend(); ++it)
        if (it->alive && it->kind == kind) return *it;
    return std::nullopt;
}

size_t SimSurfaces::count(port::SurfaceKind kind) const {
    size_t n = 0;
    for (const auto& s : records_->states) n += s.alive && s.kind == kind;
    return n;
}

bool SimSurfaces::sendPointer(uint64_t id, const port::SurfacePointer& event) {
    auto it = records_->living.find(id);
    if (it == records_->living.end()) return false;
    it->second->pointer_.emit(event);
    return true;
}

bool SimSurfaces::choose(uint64_t id, const std::string& itemId) {
    auto it = records_->living.find(id);
    if (it == records_->living.end()) return false;
    it->second->chosen_.emit(itemId);
    return true;
}

bool SimSurfaces::sendKey(uint64_t id, const port::KeyEvent& event) {
    auto it = records_->living.find(id);
    if (it == records_->living.end()) return false;
    it->second->key_.emit(event);
    return true;
}

bool SimSurfaces::dismiss(uint64_t id) {
    auto it = records_->living.find(id);
    if (it == records_->living.end()) return false;
    it->second->dismissed_.emit();
    return true;
}

bool SimSurfaces::edit(uint64_t id, const port::SettingsEdit& edit) {
    auto it = records_->living.find(id);
    if (it == records_->living.end()) return false;
    it->second->edited_.emit(edit);
    return true;
}

}  // namespace kelvra::sim
