// The editor's model in the CLAP edition: what the editor asks and says goes to
// the instance's main-thread side (ClapPlugin: values, the edit queue, the host's
// changes), and the editor's size requests to the host's clap.gui.
//
// The edit queue refuses an edit when it is full, that is while the host takes
// neither blocks nor flushes. What it refused waits here, in order, a run of
// values of one parameter kept as its last, and a gesture's end followed by a
// begin of the same parameter folded into one gesture; it goes out at the next
// edit or the next poll, before anything newer. So the host always hears the
// final value of each change and every bracket closed, however long it was away.
//
// Threads: the main thread, as every EditorModel call.
#pragma once

#include <cstdint>
#include <vector>

#include "clap/ClapAbi.h"
#include "clap/ClapEditQueue.h"
#include "editor/EditorModel.h"

namespace qp {
class BuzzEditor;
}

namespace qp::clap {

class ClapPlugin;

// A factory preset: its name and the bits of its two values, as the bank holds them.
struct ClapPreset {
    const char* name;
    std::uint32_t bits[2];
    float value(std::int32_t parameter) const;
};

class ClapEditorModel final : public EditorModel {
public:
    // hostGui may be null: the editor's sizes are then refused.
    ClapEditorModel(ClapPlugin& plugin, const clap_host* host, const clap_host_gui* hostGui);

    // The editor parameterChanged goes to; null while there is none.
    void setEditor(BuzzEditor* editor) { editor_ = editor; }

    // The editor's timer: what was refused goes out, the host is asked again for
    // a flush where edits wait, and the host's changes reach the editor.
    void poll();
    // Edits refused by the queue and waiting here.
    std::size_t waiting() const { return waiting_.size(); }

    float parameterValue(std::int32_t index) const override;
    void beginGesture(std::int32_t index) override;
    void changeValue(std::int32_t index, float value) override;
    void endGesture(std::int32_t index) override;

    std::int32_t presetCount() const override;
    void presetName(std::int32_t preset, char* name, std::size_t size) const override;
    std::int32_t currentPreset() const override;
    // Each parameter in turn as a gesture: begin, the preset's value, end.
    void choosePreset(std::int32_t preset) override;

    bool requestSize(std::int32_t width, std::int32_t height) override;

    static const ClapPreset& factoryPreset(std::int32_t preset);

private:
    using Edit = ClapEditQueue::Edit;
    void send(const Edit& edit);
    // Hands the waiting edits to the queue in order, until it refuses one.
    void retry();
    bool offer(const Edit& edit);
    void wait(const Edit& edit);

    ClapPlugin& plugin_;
    const clap_host* host_;
    const clap_host_gui* hostGui_;
    BuzzEditor* editor_ = nullptr;
    std::vector<Edit> waiting_;
};

}  // namespace qp::clap
