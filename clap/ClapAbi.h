// Our own declarations of the subset of the CLAP interface this plug-in uses (1.2):
// the entry, the factory, the instance and host records, processing, events,
// streams, the extensions audio-ports, params, state, latency and gui, and the
// host's params, gui, timer-support, posix-fd-support and thread-check. Plain C
// layouts; the asserts at the end pin every size and offset on x86-64.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

struct clap_version {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t revision;
};

using clap_id = std::uint32_t;
using clap_process_status = std::int32_t;

inline constexpr clap_version kClapVersion{1, 2, 10};
inline constexpr clap_id CLAP_INVALID_ID = 0xFFFFFFFFu;
inline constexpr std::uint32_t CLAP_NAME_SIZE = 256;
inline constexpr std::uint32_t CLAP_PATH_SIZE = 1024;

inline constexpr const char* CLAP_PLUGIN_FACTORY_ID = "clap.plugin-factory";
inline constexpr const char* CLAP_EXT_AUDIO_PORTS = "clap.audio-ports";
inline constexpr const char* CLAP_EXT_PARAMS = "clap.params";
inline constexpr const char* CLAP_EXT_STATE = "clap.state";
inline constexpr const char* CLAP_EXT_LATENCY = "clap.latency";
inline constexpr const char* CLAP_EXT_GUI = "clap.gui";
inline constexpr const char* CLAP_EXT_TIMER_SUPPORT = "clap.timer-support";
inline constexpr const char* CLAP_EXT_POSIX_FD_SUPPORT = "clap.posix-fd-support";
inline constexpr const char* CLAP_EXT_THREAD_CHECK = "clap.thread-check";
inline constexpr const char* CLAP_WINDOW_API_X11 = "x11";
inline constexpr const char* CLAP_WINDOW_API_WIN32 = "win32";
inline constexpr const char* CLAP_PORT_STEREO = "stereo";

inline constexpr clap_process_status CLAP_PROCESS_ERROR = 0;
inline constexpr clap_process_status CLAP_PROCESS_CONTINUE = 1;

inline constexpr std::uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;
inline constexpr std::uint16_t CLAP_EVENT_PARAM_VALUE = 5;
inline constexpr std::uint16_t CLAP_EVENT_PARAM_MOD = 6;
inline constexpr std::uint16_t CLAP_EVENT_PARAM_GESTURE_BEGIN = 7;
inline constexpr std::uint16_t CLAP_EVENT_PARAM_GESTURE_END = 8;
inline constexpr std::uint16_t CLAP_EVENT_TRANSPORT = 9;
inline constexpr std::uint16_t CLAP_EVENT_MIDI = 10;

inline constexpr std::uint32_t CLAP_AUDIO_PORT_IS_MAIN = 1;
inline constexpr std::uint32_t CLAP_PARAM_IS_AUTOMATABLE = 32;

using clap_param_rescan_flags = std::uint32_t;
using clap_param_clear_flags = std::uint32_t;
inline constexpr clap_param_rescan_flags CLAP_PARAM_RESCAN_VALUES = 1;
inline constexpr clap_param_rescan_flags CLAP_PARAM_RESCAN_TEXT = 2;
inline constexpr clap_param_rescan_flags CLAP_PARAM_RESCAN_INFO = 4;
inline constexpr clap_param_rescan_flags CLAP_PARAM_RESCAN_ALL = 8;
inline constexpr clap_param_clear_flags CLAP_PARAM_CLEAR_ALL = 1;
inline constexpr clap_param_clear_flags CLAP_PARAM_CLEAR_AUTOMATIONS = 2;
inline constexpr clap_param_clear_flags CLAP_PARAM_CLEAR_MODULATIONS = 4;

using clap_posix_fd_flags_t = std::uint32_t;
inline constexpr clap_posix_fd_flags_t CLAP_POSIX_FD_READ = 1;
inline constexpr clap_posix_fd_flags_t CLAP_POSIX_FD_WRITE = 2;
inline constexpr clap_posix_fd_flags_t CLAP_POSIX_FD_ERROR = 4;

struct clap_plugin_descriptor {
    clap_version clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features;
};

struct clap_host {
    clap_version clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void* (*get_extension)(const clap_host* host, const char* extension_id);
    void (*request_restart)(const clap_host* host);
    void (*request_process)(const clap_host* host);
    void (*request_callback)(const clap_host* host);
};

struct clap_event_header {
    std::uint32_t size;
    std::uint32_t time;
    std::uint16_t space_id;
    std::uint16_t type;
    std::uint32_t flags;
};

struct clap_event_param_value {
    clap_event_header header;
    clap_id param_id;
    void* cookie;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double value;
};

struct clap_event_param_gesture {
    clap_event_header header;
    clap_id param_id;
};

struct clap_event_transport {
    clap_event_header header;
    std::uint32_t flags;
    std::int64_t song_pos_beats;
    std::int64_t song_pos_seconds;
    double tempo;
    double tempo_inc;
    std::int64_t loop_start_beats;
    std::int64_t loop_end_beats;
    std::int64_t loop_start_seconds;
    std::int64_t loop_end_seconds;
    std::int64_t bar_start;
    std::int32_t bar_number;
    std::uint16_t tsig_num;
    std::uint16_t tsig_denom;
};

struct clap_event_midi {
    clap_event_header header;
    std::uint16_t port_index;
    std::uint8_t data[3];
};

struct clap_input_events {
    void* ctx;
    std::uint32_t (*size)(const clap_input_events* list);
    const clap_event_header* (*get)(const clap_input_events* list, std::uint32_t index);
};

struct clap_output_events {
    void* ctx;
    bool (*try_push)(const clap_output_events* list, const clap_event_header* event);
};

struct clap_audio_buffer {
    float** data32;
    double** data64;
    std::uint32_t channel_count;
    std::uint32_t latency;
    std::uint64_t constant_mask;
};

struct clap_process {
    std::int64_t steady_time;
    std::uint32_t frames_count;
    const clap_event_transport* transport;
    const clap_audio_buffer* audio_inputs;
    clap_audio_buffer* audio_outputs;
    std::uint32_t audio_inputs_count;
    std::uint32_t audio_outputs_count;
    const clap_input_events* in_events;
    const clap_output_events* out_events;
};

struct clap_plugin {
    const clap_plugin_descriptor* desc;
    void* plugin_data;
    bool (*init)(const clap_plugin* plugin);
    void (*destroy)(const clap_plugin* plugin);
    bool (*activate)(const clap_plugin* plugin, double sample_rate, std::uint32_t min_frames_count,
                     std::uint32_t max_frames_count);
    void (*deactivate)(const clap_plugin* plugin);
    bool (*start_processing)(const clap_plugin* plugin);
    void (*stop_processing)(const clap_plugin* plugin);
    void (*reset)(const clap_plugin* plugin);
    clap_process_status (*process)(const clap_plugin* plugin, const clap_process* process);
    const void* (*get_extension)(const clap_plugin* plugin, const char* id);
    void (*on_main_thread)(const clap_plugin* plugin);
};

struct clap_plugin_factory {
    std::uint32_t (*get_plugin_count)(const clap_plugin_factory* factory);
    const clap_plugin_descriptor* (*get_plugin_descriptor)(const clap_plugin_factory* factory,
                                                           std::uint32_t index);
    const clap_plugin* (*create_plugin)(const clap_plugin_factory* factory, const clap_host* host,
                                        const char* plugin_id);
};

struct clap_plugin_entry {
    clap_version clap_version;
    bool (*init)(const char* plugin_path);
    void (*deinit)();
    const void* (*get_factory)(const char* factory_id);
};

struct clap_audio_port_info {
    clap_id id;
    char name[CLAP_NAME_SIZE];
    std::uint32_t flags;
    std::uint32_t channel_count;
    const char* port_type;
    clap_id in_place_pair;
};

struct clap_plugin_audio_ports {
    std::uint32_t (*count)(const clap_plugin* plugin, bool is_input);
    bool (*get)(const clap_plugin* plugin, std::uint32_t index, bool is_input, clap_audio_port_info* info);
};

struct clap_param_info {
    clap_id id;
    std::uint32_t flags;
    void* cookie;
    char name[CLAP_NAME_SIZE];
    char module[CLAP_PATH_SIZE];
    double min_value;
    double max_value;
    double default_value;
};

struct clap_plugin_params {
    std::uint32_t (*count)(const clap_plugin* plugin);
    bool (*get_info)(const clap_plugin* plugin, std::uint32_t param_index, clap_param_info* param_info);
    bool (*get_value)(const clap_plugin* plugin, clap_id param_id, double* out_value);
    bool (*value_to_text)(const clap_plugin* plugin, clap_id param_id, double value, char* out_buffer,
                          std::uint32_t out_buffer_capacity);
    bool (*text_to_value)(const clap_plugin* plugin, clap_id param_id, const char* param_value_text,
                          double* out_value);
    void (*flush)(const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out);
};

struct clap_ostream {
    void* ctx;
    std::int64_t (*write)(const clap_ostream* stream, const void* buffer, std::uint64_t size);
};

struct clap_istream {
    void* ctx;
    std::int64_t (*read)(const clap_istream* stream, void* buffer, std::uint64_t size);
};

struct clap_plugin_state {
    bool (*save)(const clap_plugin* plugin, const clap_ostream* stream);
    bool (*load)(const clap_plugin* plugin, const clap_istream* stream);
};

struct clap_plugin_latency {
    std::uint32_t (*get)(const clap_plugin* plugin);
};

struct clap_host_state {
    void (*mark_dirty)(const clap_host* host);
};

struct clap_host_params {
    void (*rescan)(const clap_host* host, clap_param_rescan_flags flags);
    void (*clear)(const clap_host* host, clap_id param_id, clap_param_clear_flags flags);
    void (*request_flush)(const clap_host* host);
};

// An X11 Window id is an unsigned long: 8 bytes on Linux, 4 on Windows, where the
// union's pointers keep the struct at 16 bytes all the same.
using clap_xwnd = unsigned long;
using clap_hwnd = void*;

struct clap_window {
    const char* api;
    union {
        void* cocoa;
        void* uikit;
        clap_xwnd x11;
        clap_hwnd win32;
        void* ptr;
    };
};

struct clap_gui_resize_hints {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    std::uint32_t aspect_ratio_width;
    std::uint32_t aspect_ratio_height;
};

struct clap_plugin_gui {
    bool (*is_api_supported)(const clap_plugin* plugin, const char* api, bool is_floating);
    bool (*get_preferred_api)(const clap_plugin* plugin, const char** api, bool* is_floating);
    bool (*create)(const clap_plugin* plugin, const char* api, bool is_floating);
    void (*destroy)(const clap_plugin* plugin);
    bool (*set_scale)(const clap_plugin* plugin, double scale);
    bool (*get_size)(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool (*can_resize)(const clap_plugin* plugin);
    bool (*get_resize_hints)(const clap_plugin* plugin, clap_gui_resize_hints* hints);
    bool (*adjust_size)(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool (*set_size)(const clap_plugin* plugin, std::uint32_t width, std::uint32_t height);
    bool (*set_parent)(const clap_plugin* plugin, const clap_window* window);
    bool (*set_transient)(const clap_plugin* plugin, const clap_window* window);
    void (*suggest_title)(const clap_plugin* plugin, const char* title);
    bool (*show)(const clap_plugin* plugin);
    bool (*hide)(const clap_plugin* plugin);
};

struct clap_host_gui {
    void (*resize_hints_changed)(const clap_host* host);
    bool (*request_resize)(const clap_host* host, std::uint32_t width, std::uint32_t height);
    bool (*request_show)(const clap_host* host);
    bool (*request_hide)(const clap_host* host);
    void (*closed)(const clap_host* host, bool was_destroyed);
};

struct clap_plugin_timer_support {
    void (*on_timer)(const clap_plugin* plugin, clap_id timer_id);
};

struct clap_host_timer_support {
    bool (*register_timer)(const clap_host* host, std::uint32_t period_ms, clap_id* timer_id);
    bool (*unregister_timer)(const clap_host* host, clap_id timer_id);
};

struct clap_plugin_posix_fd_support {
    void (*on_fd)(const clap_plugin* plugin, int fd, clap_posix_fd_flags_t flags);
};

struct clap_host_posix_fd_support {
    bool (*register_fd)(const clap_host* host, int fd, clap_posix_fd_flags_t flags);
    bool (*modify_fd)(const clap_host* host, int fd, clap_posix_fd_flags_t flags);
    bool (*unregister_fd)(const clap_host* host, int fd);
};

struct clap_host_thread_check {
    bool (*is_main_thread)(const clap_host* host);
    bool (*is_audio_thread)(const clap_host* host);
};

}  // extern "C"

// Hosts lay these out as their C compilers do; a difference here would be read as
// garbage, not reported. The figures are those of x86-64 (Linux and Windows alike).
#if defined(__x86_64__) || defined(_M_X64)
static_assert(sizeof(clap_version) == 12 && alignof(clap_version) == 4);
static_assert(sizeof(clap_plugin_entry) == 40 && offsetof(clap_plugin_entry, init) == 16 &&
              offsetof(clap_plugin_entry, deinit) == 24 && offsetof(clap_plugin_entry, get_factory) == 32);
static_assert(sizeof(clap_plugin_factory) == 24 && offsetof(clap_plugin_factory, create_plugin) == 16);
static_assert(sizeof(clap_plugin_descriptor) == 88 && offsetof(clap_plugin_descriptor, id) == 16 &&
              offsetof(clap_plugin_descriptor, version) == 64 &&
              offsetof(clap_plugin_descriptor, features) == 80);
static_assert(sizeof(clap_plugin) == 96 && offsetof(clap_plugin, init) == 16 &&
              offsetof(clap_plugin, activate) == 32 && offsetof(clap_plugin, process) == 72 &&
              offsetof(clap_plugin, get_extension) == 80 && offsetof(clap_plugin, on_main_thread) == 88);
static_assert(sizeof(clap_host) == 88 && offsetof(clap_host, host_data) == 16 &&
              offsetof(clap_host, version) == 48 && offsetof(clap_host, get_extension) == 56 &&
              offsetof(clap_host, request_callback) == 80);
static_assert(sizeof(clap_process) == 64 && offsetof(clap_process, frames_count) == 8 &&
              offsetof(clap_process, transport) == 16 && offsetof(clap_process, audio_inputs) == 24 &&
              offsetof(clap_process, audio_outputs) == 32 &&
              offsetof(clap_process, audio_inputs_count) == 40 &&
              offsetof(clap_process, audio_outputs_count) == 44 && offsetof(clap_process, in_events) == 48 &&
              offsetof(clap_process, out_events) == 56);
static_assert(sizeof(clap_audio_buffer) == 32 && offsetof(clap_audio_buffer, data64) == 8 &&
              offsetof(clap_audio_buffer, channel_count) == 16 &&
              offsetof(clap_audio_buffer, latency) == 20 && offsetof(clap_audio_buffer, constant_mask) == 24);
static_assert(sizeof(clap_event_header) == 16 && alignof(clap_event_header) == 4 &&
              offsetof(clap_event_header, time) == 4 && offsetof(clap_event_header, space_id) == 8 &&
              offsetof(clap_event_header, type) == 10 && offsetof(clap_event_header, flags) == 12);
static_assert(sizeof(clap_event_param_value) == 56 && offsetof(clap_event_param_value, param_id) == 16 &&
              offsetof(clap_event_param_value, cookie) == 24 &&
              offsetof(clap_event_param_value, note_id) == 32 &&
              offsetof(clap_event_param_value, port_index) == 36 &&
              offsetof(clap_event_param_value, channel) == 38 &&
              offsetof(clap_event_param_value, key) == 40 && offsetof(clap_event_param_value, value) == 48);
static_assert(sizeof(clap_event_param_gesture) == 20 && offsetof(clap_event_param_gesture, param_id) == 16);
static_assert(sizeof(clap_event_transport) == 104 && offsetof(clap_event_transport, song_pos_beats) == 24 &&
              offsetof(clap_event_transport, tempo) == 40 &&
              offsetof(clap_event_transport, bar_start) == 88 &&
              offsetof(clap_event_transport, bar_number) == 96 &&
              offsetof(clap_event_transport, tsig_denom) == 102);
static_assert(sizeof(clap_event_midi) == 24 && offsetof(clap_event_midi, data) == 18);
static_assert(sizeof(clap_input_events) == 24 && offsetof(clap_input_events, get) == 16);
static_assert(sizeof(clap_output_events) == 16 && offsetof(clap_output_events, try_push) == 8);
static_assert(sizeof(clap_audio_port_info) == 288 && offsetof(clap_audio_port_info, name) == 4 &&
              offsetof(clap_audio_port_info, flags) == 260 &&
              offsetof(clap_audio_port_info, channel_count) == 264 &&
              offsetof(clap_audio_port_info, port_type) == 272 &&
              offsetof(clap_audio_port_info, in_place_pair) == 280);
static_assert(sizeof(clap_plugin_audio_ports) == 16);
static_assert(sizeof(clap_param_info) == 1320 && offsetof(clap_param_info, cookie) == 8 &&
              offsetof(clap_param_info, name) == 16 && offsetof(clap_param_info, module) == 272 &&
              offsetof(clap_param_info, min_value) == 1296 && offsetof(clap_param_info, max_value) == 1304 &&
              offsetof(clap_param_info, default_value) == 1312);
static_assert(sizeof(clap_plugin_params) == 48 && offsetof(clap_plugin_params, flush) == 40);
static_assert(sizeof(clap_ostream) == 16 && sizeof(clap_istream) == 16);
static_assert(sizeof(clap_plugin_state) == 16 && sizeof(clap_plugin_latency) == 8);
static_assert(sizeof(clap_host_state) == 8);
static_assert(sizeof(clap_host_params) == 24 && offsetof(clap_host_params, clear) == 8 &&
              offsetof(clap_host_params, request_flush) == 16);
static_assert(sizeof(clap_window) == 16 && alignof(clap_window) == 8 && offsetof(clap_window, x11) == 8 &&
              offsetof(clap_window, win32) == 8);
static_assert(sizeof(clap_gui_resize_hints) == 12 && alignof(clap_gui_resize_hints) == 4 &&
              offsetof(clap_gui_resize_hints, preserve_aspect_ratio) == 2 &&
              offsetof(clap_gui_resize_hints, aspect_ratio_width) == 4 &&
              offsetof(clap_gui_resize_hints, aspect_ratio_height) == 8);
static_assert(sizeof(clap_plugin_gui) == 120 && offsetof(clap_plugin_gui, create) == 16 &&
              offsetof(clap_plugin_gui, set_scale) == 32 && offsetof(clap_plugin_gui, get_size) == 40 &&
              offsetof(clap_plugin_gui, set_size) == 72 && offsetof(clap_plugin_gui, set_parent) == 80 &&
              offsetof(clap_plugin_gui, suggest_title) == 96 && offsetof(clap_plugin_gui, show) == 104 &&
              offsetof(clap_plugin_gui, hide) == 112);
static_assert(sizeof(clap_host_gui) == 40 && offsetof(clap_host_gui, request_resize) == 8 &&
              offsetof(clap_host_gui, closed) == 32);
static_assert(sizeof(clap_plugin_timer_support) == 8 && sizeof(clap_host_timer_support) == 16 &&
              offsetof(clap_host_timer_support, unregister_timer) == 8);
static_assert(sizeof(clap_plugin_posix_fd_support) == 8 && sizeof(clap_host_posix_fd_support) == 24 &&
              offsetof(clap_host_posix_fd_support, modify_fd) == 8 &&
              offsetof(clap_host_posix_fd_support, unregister_fd) == 16);
static_assert(sizeof(clap_host_thread_check) == 16 && offsetof(clap_host_thread_check, is_audio_thread) == 8);
#endif
