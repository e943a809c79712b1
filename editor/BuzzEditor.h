// Quorrelphone's editor: a 309 x 168 face with a film-strip knob per parameter,
// a learn overlay over each knob, an invisible command menu over the logo and an
// about screen on demand, at any of the zoom steps of gui/Zoom.h.
//
// It knows its host only as an EditorModel (editor/EditorModel.h). Everything the
// user does goes the same way: a control calls valueChanged, which tells the
// model what it means (a value, a gesture, a preset, learn or forget) and
// carries out the editor's own part (the about screen, the zoom). What the host
// sets reaches it through parameterChanged; a value the user is setting is
// never sent back to its own knob.
//
// Ownership: the editor owns its two bitmaps and the bitmap cache for its whole
// life, and at each open builds the frame and its views. Views in the frame are
// the frame's; views of a hidden entry and the about box (while not showing) are
// the editor's, released at close.
//
// Threads: the window, the menus and every view are touched only on the thread
// that opened the editor. A parameter value set on another thread (host
// automation, MIDI on the audio thread) is parked and reaches the knob at the
// next idle, and so does a change of the learnt controllers (a chunk load, a
// replayed forget).
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "editor/GuiEditorBase.h"
#include "gui/Color.h"
#include "gui/ControlListener.h"
#include "gui/FontTable.h"
#include "host/Platform.h"

namespace qp {

class AboutBox;
class Bitmap;
class Control;
class LearnOverlay;
class OptionMenu;
class ParamDisplay;
class QuestionView;
class View;

class BuzzEditor : public GuiEditorBase, public ControlListener {
public:
    static constexpr std::int32_t kEntryCount = 2;
    static constexpr std::int32_t kBitmapCacheSlots = 9;
    static constexpr std::int32_t kRandomAmounts = 6;

    // One parameter's views and how its value is shown.
    struct ControlEntry {
        LearnOverlay* learnOverlay = nullptr;
        Control* control = nullptr;
        ParamDisplay* display = nullptr;
        bool shown = false;
        bool integerDisplay = false;
        float displayScale = 1.0f;
        float displayOffset = 0.0f;
        std::int32_t bitmapId = 0;
    };

    struct CachedBitmap {
        Bitmap* bitmap = nullptr;
        std::int32_t resourceId = -1;  // -1: free
    };

    struct RandomSetting {
        std::int32_t parameter = -1;  // -1: not set
        bool bipolar = false;
        float offset = 0.0f;
        float amounts[kRandomAmounts] = {};
    };

    // What the editor offers beside the knobs and the presets. The VST 2 edition's
    // effect learns MIDI controllers and keeps its defaults in the user's settings,
    // so its editor has learn overlays (right click) and the "Default" and
    // "MidiForget" commands. An edition whose host keeps the state and has no MIDI
    // for the effect (LV2) has none of them: its command menu is "About", a
    // separator and "Presets".
    enum class Commands {
        Full,
        AboutAndPresets,
    };

    // The presets menu ticks the model's current preset. With the full commands
    // that is a program the host keeps (it changes only when one is chosen);
    // otherwise it is the preset the values match, and the tick follows every
    // value the knobs take.
    explicit BuzzEditor(EditorModel& model, Commands commands = Commands::Full);
    ~BuzzEditor() override;

    bool open(NativeWindow parent) override;
    void close() override;
    // Carries out a change of zoom step the user, the host or the system asked
    // for since the last idle, then idles as before.
    void idle() override;
    void update() override;

    // A value the host set, from any thread: the knob follows (at once on the
    // window's thread, else at the next idle), unless the user is setting that
    // very value now.
    void parameterChanged(std::int32_t index, float value);
    // The learnt controllers changed (learn, forget, a loaded bank); any thread.
    void learnedControllersChanged();
    // The about screen, as the host or the model asks; window thread only.
    void showAboutScreen();
    void hideAboutScreen();
    // A question (Yes/No) or a notice (OK) in the window, over the face, as the
    // frame's modal view; returns at once. Several wait their turn, each shown
    // when the one before is answered. onYes runs on the window's thread when
    // the user answers Yes, once; never on No, on OK, or when the editor closes
    // or goes with them still open. False, keeping nothing, when it cannot show
    // it now: closed, or called off the window's thread.
    bool ask(const char* text, MessageKind kind, std::function<void()> onYes);
    // The question or notice on show now, if any.
    QuestionView* shownQuestion() const;
    // The size to tell a host that asks before it opens the editor (and sizes
    // its window by): the current step's, the system's scale asked first when no
    // window has told it yet. An open that lands on another step then asks the
    // model for the new size.
    void announceSize(std::int32_t& width, std::int32_t& height);

    void valueChanged(DrawContext* context, Control* control) override;

    // Zoom. The user's choice is "Auto" (kZoomAuto: the host's scale where it says
    // one, else the system's for the host's window) or a step of gui/Zoom.h; it is
    // kept in the user's settings ("Zoom") and read again at every open. A change
    // of step while the editor is open is carried out at the next idle: the
    // window takes the step's size, the views are laid out anew at it, and the
    // model is asked for the new size (EditorModel::requestSize).
    static constexpr std::int32_t kZoomAuto = 0;
    // The film strip's ground, which the knobs key out.
    static constexpr Color kFilmStripKeyColor = makeColor(0, 255, 0);
    static constexpr const char* kZoomSettingName = "Zoom";
    void setHostScale(double scale) override;
    void windowScaleChanged(double scale) override;
    // kZoomAuto or a step; anything else is taken as kZoomAuto.
    void chooseZoom(std::int32_t choice);
    std::int32_t zoomChoice() const { return zoomChoice_; }
    // The step the editor is laid out at now (or will open at).
    std::int32_t zoom() const { return zoom_; }
    OptionMenu* zoomMenu() const { return zoomMenu_; }

    // Layout and entries.
    virtual void setTransparencyForBitmap(std::int32_t resourceId);
    virtual void addFilmStripKnob(std::int32_t x, std::int32_t y, std::int32_t index, std::int32_t frameSize,
                                  std::int32_t bitmapId, bool show);
    virtual void addValueDisplay(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                 std::int32_t index, bool useBackground, bool integerDisplay, float scale,
                                 float offset, Color fontColor, Color backgroundColor, Color frameColor,
                                 FontId font);
    virtual void addKnob(std::int32_t x, std::int32_t y, std::int32_t size, std::int32_t index,
                         std::int32_t handleBitmapId, bool show, std::int32_t inset, Color handleColor,
                         Color shadowColor);
    virtual void addHorizontalSlider(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                     std::int32_t index, std::int32_t handleBitmapId, bool show,
                                     std::int32_t minPosition, std::int32_t maxPosition, std::int32_t style);
    virtual void addVerticalSlider(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                   std::int32_t index, std::int32_t handleBitmapId, bool show,
                                   std::int32_t minPosition, std::int32_t maxPosition, std::int32_t style);
    virtual void addButton(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                           std::int32_t index, std::int32_t bitmapId, bool show);
    virtual void addStepSwitch(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                               std::int32_t states, std::int32_t index, std::int32_t bitmapId, bool show);
    virtual void addFilmStripSlider(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                    std::int32_t index, std::int32_t bitmapId, bool show, std::int32_t frames,
                                    std::int32_t frameHeight, std::int32_t minPosition,
                                    std::int32_t maxPosition, std::int32_t style);
    virtual void showEntry(std::int32_t index);
    virtual void hideEntry(std::int32_t index);
    virtual void setControlValue(std::int32_t index, float value);

    // Commands and menus.
    virtual void commandHook(std::int32_t index, float value);
    virtual void createControls();
    virtual void extraMenuEntries(OptionMenu* commandMenu);
    virtual void setRandomSetting(std::int32_t parameter, bool bipolar, float offset,
                                  const float (&amounts)[kRandomAmounts]);
    virtual void randomize(std::int32_t amountNumber);

    // The cache's bitmap for a resource, loaded on first use; none for id 0. At a
    // zoom step other than 100 %, the step's picture of it where there is one.
    virtual Bitmap* getBitmap(std::int32_t resourceId);

    // For tests and tools: what the editor holds now.
    const ControlEntry& entry(std::int32_t index) const { return entries_[index]; }
    const CachedBitmap& cachedBitmap(std::int32_t slot) const { return bitmapCache_[slot]; }
    const RandomSetting& randomSetting(std::int32_t index) const { return randomSettings_[index]; }
    AboutBox* aboutBox() const { return aboutBox_; }
    OptionMenu* commandMenu() const { return commandMenu_; }
    OptionMenu* presetsMenu() const { return presetsMenu_; }
    bool isBusy() const { return busy_.load(std::memory_order_relaxed); }
    bool isAboutShowing() const;
    Commands commands() const { return commands_; }
    // The face at the current step.
    Bitmap* background() const;

    // Seeds the generator randomize draws from (0 to 32767 per draw).
    void seedRandom(std::uint32_t seed) { randomState_ = seed; }

protected:
    static bool isEntryIndex(std::int32_t index) { return index >= 0 && index < kEntryCount; }

private:
    // What a control's tag and value mean, told to the model; false when the
    // host destroyed the editor from inside.
    bool tellModel(std::int32_t tag, float value);
    void choosePreset();
    // The first waiting question over the face (again after a new layout).
    void showQuestion();
    void hideQuestion();
    // The user's answer to the question on show.
    void answerQuestion(bool yes);
    void buildMenus();
    void buildZoomMenu(OptionMenu* commandMenu);
    // The frame's views at the current step: background, controls, about box, menus.
    void layOut();
    // The step the choice, the host's and the system's scale give now.
    std::int32_t wantedZoom() const;
    // The user's stored choice, kZoomAuto when none or a bad one is stored.
    static std::int32_t storedZoomChoice();
    // Moves to wantedZoom() at once while closed; while open, at the next idle.
    void requestZoom();
    // Lays the open window out anew at wantedZoom() (from idle; not during a drag
    // or with a popup open: then at a later idle).
    void applyZoom();
    void updateRect();
    // The pictures of zoom_ from the shared pixels (drawn at the process's first
    // use of the step); false, with none held, at 100 % or when they cannot be had.
    bool loadZoomedBitmaps();
    void releaseZoomedBitmaps();
    // The held picture of a resource at zoom_; null at 100 % or without art.
    Bitmap* zoomedBitmap(std::int32_t resourceId) const;
    Bitmap* aboutBitmap() const;
    Rect zoomedRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) const;
    // The presets menu's tick from the model's matching preset (not with the
    // full commands, whose menu ticks its current entry).
    void tickMatchingPreset();
    // Takes the frame down and releases what the editor holds of the open window.
    void tearDown();
    // The same with the frame kept, empty (for a new layout in the same window).
    void releaseViews(bool keepFrame);
    // A control made by the add family joins its entry with a learn overlay over
    // it and, when shown, the frame.
    // Starts the control at the parameter's value, puts it and a learn overlay
    // into the entry (and the frame when shown), and notes its bitmap.
    void installControl(std::int32_t index, Control* control, bool show, std::int32_t bitmapId);
    // The two slider forms are added the same way; only the class differs.
    template <class SliderForm>
    void addSlider(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                   std::int32_t index, std::int32_t handleBitmapId, bool show, std::int32_t minPosition,
                   std::int32_t maxPosition, std::int32_t style);
    void releaseView(const ControlEntry& entry, View* view);
    // The learnt controllers into the overlays; window thread only.
    void showLearnedControllers();
    bool onWindowThread() const;
    std::int32_t nextRandom();
    void setRandomValue(std::int32_t index, float value);

    const Commands commands_;
    Bitmap* background_ = nullptr;
    Bitmap* aboutBitmap_ = nullptr;
    std::atomic<bool> busy_{true};
    AboutBox* aboutBox_ = nullptr;
    // The editor's while open; the frame only points at it while it shows.
    QuestionView* questionView_ = nullptr;
    struct Question {
        std::string text;
        MessageKind kind;
        std::function<void()> onYes;
    };
    // The first is on show; kept across a new layout, dropped at close.
    std::deque<Question> questions_;
    OptionMenu* commandMenu_ = nullptr;
    // Not owned: the command menu keeps it alive as its "Presets" submenu.
    OptionMenu* presetsMenu_ = nullptr;
    ControlEntry entries_[kEntryCount];
    CachedBitmap bitmapCache_[kBitmapCacheSlots];
    RandomSetting randomSettings_[kEntryCount];

    // Parameter values set on other threads, waiting for the next idle.
    std::atomic<float> parkedValues_[kEntryCount] = {};
    std::atomic<std::uint32_t> parkedMask_{0};
    // The thread that opened the window; 0 while closed.
    std::atomic<std::uint32_t> windowThread_{0};
    std::uint32_t randomState_ = 1;
    // The parameter whose value the model is being told right now; -1 for none.
    std::int32_t changing_ = -1;

    struct ZoomedBitmap {
        Bitmap* bitmap = nullptr;
        std::int32_t resourceId = 0;
    };
    static constexpr std::int32_t kZoomedBitmaps = 3;
    std::int32_t zoomChoice_ = kZoomAuto;
    std::int32_t zoom_ = 100;
    // The system's scale for the host's window, as of the last open or change;
    // not asked yet while windowScaleKnown_ is false.
    double windowScale_ = 1.0;
    bool windowScaleKnown_ = false;
    // The host has asked for the rectangle (and sized its window by it).
    bool rectAnnounced_ = false;
    bool zoomPending_ = false;
    // Not owned: the command menu keeps it alive as its "Zoom" submenu.
    OptionMenu* zoomMenu_ = nullptr;
    // The pictures of zoomedBitmapsStep_ (the last step other than 100 % loaded).
    ZoomedBitmap zoomedBitmaps_[kZoomedBitmaps];
    std::int32_t zoomedBitmapsStep_ = 100;
};

}  // namespace qp
