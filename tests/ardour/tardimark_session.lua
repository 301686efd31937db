-- Runs inside ardour7-lua, Ardour's headless session tool: a 48 kHz session
-- on the dummy backend, Tardimark inserted on a stereo track, and the latency
-- Ardour takes from the plug-in's initialDelay after the engine has run some
-- blocks through it. Ardour hands VST parameters over as normalised values
-- (its descriptors for them span 0 to 1), so every value set here is
-- normalised.
--
-- Usage: ardour7-lua tardimark_session.lua SESSION_FOLDER
-- Prints "ok ..." or "FAIL ..." for each check, then "done: N failed".

local session_folder = assert(arg[1], "usage: tardimark_session.lua SESSION_FOLDER")
local rate = 48000
local failed = 0

local function check(what, got, want)
    if got == want then
        print(string.format("ok   %s = %s", what, tostring(got)))
    else
        failed = failed + 1
        print(string.format("FAIL %s = %s, expected %s", what, tostring(got), tostring(want)))
    end
end

-- The plug-in recomputes its latency at the start of each block and never
-- tells the host; Ardour picks the new value up while processing and then
-- recomputes the track's latency. Waits, up to five seconds, until both
-- show `want`, then checks (and prints) what Ardour reports.
local function check_latency(what, insert, track, want)
    for _ = 1, 250 do
        if insert:signal_latency() == want and track:signal_latency() == want then break end
        ARDOUR.LuaAPI.usleep(20000)
    end
    check(what .. ": plug-in latency", insert:signal_latency(), want)
    check(what .. ": track latency", track:signal_latency(), want)
end

local function set_param(proc, index, normalised)
    check(string.format("set_processor_param(%d, %g)", index, normalised),
          ARDOUR.LuaAPI.set_processor_param(proc, index, normalised), true)
end

local function get_param(proc, index)
    return (ARDOUR.LuaAPI.get_processor_param(proc, index, true))
end

-- A new stereo track with one Tardimark in front of its fader.
local function tardimark_track(name)
    local track = Session:new_audio_track(2, 2, nil, 1, name, ARDOUR.PresentationInfo.max_order,
                                          ARDOUR.TrackMode.Normal, true):front()
    assert(track and not track:isnil(), "Ardour made no track " .. name)
    local proc = ARDOUR.LuaAPI.new_plugin(Session, "Tardimark", ARDOUR.PluginType.LXVST, "")
    assert(not proc:isnil(), "Ardour does not know Tardimark (was it scanned?)")
    check(name .. ": add_processor_by_index", track:add_processor_by_index(proc, 0, nil, true), 0)
    return track, proc, proc:to_insert()
end

assert(AudioEngine:set_backend("None (Dummy)", "", ""), "no dummy audio backend")
assert(create_session(session_folder, "tardimark", rate), "Ardour made no session")
check("session sample rate", Session:nominal_sample_rate(), rate)

-- First instance, with an empty store: starts at 0, 0, 0.
local track, proc, insert = tardimark_track("First")
local plugin = insert:plugin(0)
check("name", plugin:name(), "Tardimark")
check("maker", plugin:maker(), "Vantorel")
check("unique ID", plugin:unique_id(), tostring(0x5674646D))
check("parameter count", plugin:parameter_count(), 3)
for index, name in ipairs({"Samples", "Seconds", "Samples Or Seco"}) do
    check("parameter " .. (index - 1) .. " name", plugin:parameter_label(index - 1), name)
end
check("instances per insert", insert:get_count(), 1)
check("insert inputs", insert:natural_input_streams():n_audio(), 2)
check("insert outputs", insert:natural_output_streams():n_audio(), 2)
check("insert active", insert:active(), true)
check_latency("fresh instance", insert, track, 0)

-- Samples mode: 0.5 is 2048 samples.
set_param(proc, 0, 0.5)
check_latency("Samples 0.5", insert, track, 2048)

-- Seconds mode: 0.25 s at 48 kHz is 12000 samples.
set_param(proc, 1, 0.25)
set_param(proc, 2, 1.0)
check_latency("Seconds 0.25, mode Seconds", insert, track, 12000)

-- A second instance starts from the remembered values, in seconds mode.
local track2, proc2, insert2 = tardimark_track("Second")
for index, want in ipairs({0.5, 0.25, 1.0}) do
    check("second instance: parameter " .. (index - 1), get_param(proc2, index - 1), want)
end
check_latency("second instance", insert2, track2, 12000)

close_session()
print(string.format("done: %d failed", failed))
quit()
