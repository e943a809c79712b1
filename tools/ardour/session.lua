-- One step of `./run ardour`, run by Ardour's headless Lua interpreter
-- (ardour7-lua) on the dummy audio backend. run-ardour.sh calls it once per
-- step, each in a fresh process, so that a crash of Ardour loses one step and
-- that step alone can be tried again:
--
--   session.lua record  DIR NAME INPUT SECONDS   new session with one stereo track,
--                                                SECONDS of the dummy backend's INPUT recorded
--   session.lua plugin  DIR NAME URI [preset:LABEL...] [PORT=VALUE...]
--                                                adds the LV2 plug-in URI (or the Linux VST 2
--                                                plug-in NAME for lxvst:NAME) before the fader, finds
--                                                each preset named and loads the last one, then
--                                                sets the controls (by LV2 port index, VST
--                                                parameter index), saves
--   session.lua export  DIR NAME OUT.wav         prints the plug-in's controls as loaded, then
--                                                exports the take's span as 32-bit float WAV
--
-- Every line for run-ardour.sh starts with "qp " and goes to stderr unbuffered,
-- so that the last "qp step" line survives a crash and names the step reached.

-- Ardour 7.3's Lua bindings can free an exporter twice when the collector
-- finalizes it; a step is short-lived, so nothing is collected at all.
collectgarbage("stop")

local SAMPLE_RATE = 48000
local BLOCK_FRAMES = 1024
local TRACK = "voice"
-- The preset run-ardour.sh puts in Ardour's user configuration: WAV, 32-bit float,
-- session rate, file named after the export's name alone.
local EXPORT_PRESET = "4d0c6a8e-2f3b-4c51-9b1e-5a7e0f3c9d21"
local NO_GROUP = PBD.GroupControlDisposition.NoGroup
local FROM_SCRIPT = ARDOUR.TransportRequestSource.TRS_UI

local function say(...)
	io.stderr:write("qp " .. table.concat({ ... }, " ") .. "\n")
	io.stderr:flush()
end

local function step(name)
	say("step", name)
end

local function fail(message)
	say("error", message)
	os.exit(1)
end

local function start_engine(input)
	step("engine")
	local backend = AudioEngine:set_backend("None (Dummy)", "", "")
	if not backend then
		fail("no dummy backend")
	end
	-- The dummy backend's "device" is the signal it generates on its capture ports.
	if input then
		backend:set_device_name(input)
	end
	backend:set_sample_rate(SAMPLE_RATE)
	backend:set_buffer_size(BLOCK_FRAMES)
	if AudioEngine:start(false) ~= 0 then
		fail("the audio engine did not start")
	end
end

local function save(session)
	step("save")
	if session:save_state("", false, false, false, false, false) ~= 0 then
		fail("saving the session failed")
	end
end

local function the_track(session)
	local route = session:route_by_name(TRACK)
	if route:isnil() then
		fail("no track " .. TRACK)
	end
	return route:to_track()
end

local function the_take(track)
	for region in track:playlist():region_list():iter() do
		return region
	end
	fail("the track holds no take")
end

-- The input controls of the track's one plug-in: LV2 port index (Ardour numbers
-- an LV2 plug-in's parameters by port), label, and index among the control
-- ports (the numbering of LuaAPI's parameter calls).
local function plugin_controls(track)
	local proc = track:nth_plugin(0)
	if proc:isnil() then
		return nil
	end
	local plugin = proc:to_insert():plugin(0)
	local controls = {}
	local index = 0
	for port = 0, plugin:parameter_count() - 1 do
		if plugin:parameter_is_control(port) then
			if plugin:parameter_is_input(port) then
				controls[#controls + 1] = { port = port, label = plugin:parameter_label(port), index = index }
			end
			index = index + 1
		end
	end
	return proc, plugin, controls
end

local function report_controls(proc, controls, what)
	for _, c in ipairs(controls) do
		local value = ARDOUR.LuaAPI.get_processor_param(proc, c.index, true)
		say("control", what, c.port, string.format("%q", c.label), string.format("%.9g", value))
	end
end

local function record(dir, name, input, seconds)
	start_engine(input)
	step("create")
	local session = create_session(dir, name, SAMPLE_RATE)
	if not session then
		fail("could not create a session in " .. dir)
	end
	local tracks = session:new_audio_track(2, 2, nil, 1, TRACK, ARDOUR.PresentationInfo.max_order,
		ARDOUR.TrackMode.Normal, true)
	if tracks:size() ~= 1 then
		fail("could not add a track")
	end
	local track = tracks:front()
	step("record")
	track:rec_enable_control():set_value(1, NO_GROUP)
	session:maybe_enable_record(false)
	session:request_roll(FROM_SCRIPT)
	sleep(seconds)
	session:request_stop(false, false, FROM_SCRIPT)
	-- The take becomes a region once the butler has written it out after the stop.
	local regions = track:playlist():region_list()
	for _ = 1, 50 do
		if not session:transport_rolling() and regions:size() > 0 then
			break
		end
		ARDOUR.LuaAPI.usleep(100000)
		regions = track:playlist():region_list()
	end
	track:rec_enable_control():set_value(0, NO_GROUP)
	session:disable_record(false, false)
	if regions:size() ~= 1 then
		fail("the take left " .. regions:size() .. " regions")
	end
	local region = the_take(track)
	-- From now on the track plays its take, never the live input, so every
	-- export of this session (and of copies of it) hears the same signal.
	track:monitoring_control():set_value(ARDOUR.MonitorChoice.MonitorDisk, NO_GROUP)
	say("take", region:position():samples(), region:length():samples())
	save(session)
	close_session()
end

-- Starts the engine and loads a saved session: the session and its one track.
local function open_track(dir, name)
	start_engine()
	step("load")
	local session = load_session(dir, name)
	if not session then
		fail("could not load " .. dir)
	end
	return session, the_track(session)
end

-- "lxvst:NAME" is a Linux VST 2 plug-in Ardour knows by that name (from its
-- scan cache); anything else an LV2 URI.
local function plugin_kind(uri)
	local vst = uri:match("^lxvst:(.+)$")
	if vst then
		return ARDOUR.PluginType.LXVST, vst, "Linux VST 2"
	end
	return ARDOUR.PluginType.LV2, uri, "LV2"
end

local function add_plugin(dir, name, uri, presets, settings)
	local session, track = open_track(dir, name)
	step("plugin")
	local kind, id, kind_name = plugin_kind(uri)
	local proc = ARDOUR.LuaAPI.new_plugin(session, id, kind, "")
	if proc:isnil() then
		fail("Ardour found no " .. kind_name .. " plug-in " .. id)
	end
	if track:add_processor_by_index(proc, 0, nil, true) ~= 0 then
		fail("the track refused the plug-in")
	end
	local _, plugin, controls = plugin_controls(track)
	say("plugin", string.format("%q", plugin:name()), plugin:unique_id())
	report_controls(proc, controls, "default")
	local loaded
	for _, label in ipairs(presets) do
		loaded = plugin:preset_by_label(label)
		if not loaded then
			fail("Ardour does not list the preset " .. label)
		end
		say("preset", "found", string.format("%q", label), loaded.uri)
	end
	if loaded then
		if not plugin:load_preset(loaded) then
			fail("Ardour could not load the preset " .. loaded.label)
		end
		say("preset", "loaded", string.format("%q", loaded.label))
		report_controls(proc, controls, "preset")
	end
	local by_port = {}
	for _, c in ipairs(controls) do
		by_port[c.port] = c
	end
	for _, setting in ipairs(settings) do
		local port, value = setting:match("^(%d+)=(.+)$")
		local c = port and by_port[tonumber(port)]
		if not c or not tonumber(value) then
			fail("no control to set for " .. setting)
		end
		if not ARDOUR.LuaAPI.set_processor_param(proc, c.index, tonumber(value)) then
			fail("Ardour refused " .. setting)
		end
	end
	report_controls(proc, controls, "set")
	save(session)
	close_session()
end

local function export(dir, name, out)
	local session, track = open_track(dir, name)
	local proc, _, controls = plugin_controls(track)
	if proc then
		report_controls(proc, controls, "loaded")
	end
	local region = the_take(track)
	local first = region:position():samples()
	step("export")
	-- One exporter for one export: Ardour 7.3 writes an empty file when an
	-- exporter is run a second time.
	local exporter = session:simple_export()
	local folder, file = out:match("^(.*)/([^/]+)%.wav$")
	exporter:set_folder(folder)
	exporter:set_name(file)
	exporter:set_range(first, first + region:length():samples())
	if not exporter:set_preset(EXPORT_PRESET) then
		fail("Ardour has no export preset " .. EXPORT_PRESET)
	end
	if not exporter:check_outputs() then
		fail("the session has nothing to export")
	end
	if not exporter:run_export() then
		fail("the export failed")
	end
	step("exported")
	close_session()
end

local command = arg[1]
if command == "record" and #arg == 5 then
	record(arg[2], arg[3], arg[4], tonumber(arg[5]))
elseif command == "plugin" and #arg >= 4 then
	local presets, settings = {}, {}
	for i = 5, #arg do
		local label = arg[i]:match("^preset:(.+)$")
		table.insert(label and presets or settings, label or arg[i])
	end
	add_plugin(arg[2], arg[3], arg[4], presets, settings)
elseif command == "export" and #arg == 4 then
	export(arg[2], arg[3], arg[4])
else
	fail("usage: session.lua record|plugin|export DIR NAME ...")
end
step("done")
