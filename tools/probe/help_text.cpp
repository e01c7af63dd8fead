#include "help_text.h"

#include "probe_errors.h"

namespace probe {

namespace {

const char *const kOverview = R"(gantrel-probe: look at force-feedback controllers through gantrel.dll.

Usage: gantrel-probe COMMAND [ARGUMENTS] [OPTIONS]

Commands:
  list                 the force-feedback controllers the library sees, as a table
                       (--all: with the game controllers it leaves out)
  info DEVICE          one controller in detail: its force-feedback axes and
                       what happened to its auto-centre spring when opened
  poll DEVICE          its axes, buttons and hats, live, until Ctrl-C
  play DEVICE EFFECT   play one effect for a while, then stop and release
  test DEVICE          interactive tester: feel each effect, change it with keys,
                       watch the inputs
  check DEVICE         compatibility report: every effect type played briefly
                       at a low force, what DirectInput accepted or refused
  demo                 a guided tour on the simulated devices
  help [COMMAND]       this text, or a command's own help (also COMMAND --help)

DEVICE is a number from `gantrel-probe list` (0 is the first controller) or
the controller's GUID as the list shows it, e.g. {5A1E0001-0000-11EE-8001-444553540000}.
Game controllers without force feedback, which the library does not list,
have the numbers after those: `gantrel-probe list --all` shows them.

With the simulated DirectInput (dinput8.dll of this project beside the
program), play and demo also write what force each actuator axis receives,
as a CSV file and an SVG picture. On a real DirectInput nothing is plotted.

Ctrl-C, Ctrl-Break or closing the console stops and destroys the effects
and releases the device before the probe leaves with exit status 130.

)";

const char *const kList = R"(Usage: gantrel-probe list [--json | --all]

Lists the attached force-feedback controllers, one per row:
  #         the number to give other commands as DEVICE
  GUID      the controller's instance GUID (also accepted as DEVICE)
  Name      its product name
  VID:PID   USB vendor and product id in hexadecimal, 0x1209:0x4701 (the
            JSON's vid and pid are the same numbers in decimal)
  FF axes   the axes with a force-feedback actuator
  Buttons, POVs   how many it has (POVs are hat switches)
  Period    its force-feedback sample period
  Effects   the effect types it can play (of the ten the library knows)
With no controller attached it says where controllers come from and exits
with status 3. Game controllers that DirectInput reports without force
feedback are not in the library's list; a line under the table counts them.

Options:
  --json    print the list exactly as dib_enumerate returns it, one JSON array
  --all     also the game controllers the library leaves out, numbered after
            its own: DEVICE takes those numbers too, and check says why such
            a controller gets no force
)";

const char *const kInfo = R"(Usage: gantrel-probe info DEVICE

Describes one controller, then opens it as a game would (exclusive access,
force-feedback reset, auto-centre spring switched off), reports the axes
that carry a force-feedback actuator (X, Y, Z, Rx, Ry, Rz, slider 0,
slider 1) and what happened to the auto-centre spring, and releases it,
which gives the spring back.
)";

const char *const kPoll = R"(Usage: gantrel-probe poll DEVICE [OPTIONS]

Opens the controller and shows its axes, buttons and hats until Ctrl-C (or
for --seconds). On a console the line is redrawn in place; when the output
goes to a file or a pipe, each sample is one line. A legend first says which
axis is which: DirectInput's names (X axis, Z rotation, slider 0, ...) and
what they usually are on a wheel, pedals or a stick. Axis values run from
-4096 to 4096; hats show the compass point they are pressed toward (N, NE,
... or - when centred). A controller unplugged meanwhile is waited for and
polled again once it is back (found by its GUID, or by its USB ids and name,
never a twin that stayed attached). One another program takes is kept open
and taken back as soon as that program lets it go.

Options:
  --changes       one time-stamped line per change instead: an axis that
                  moved, a button pressed or released, a hat that turned
  --threshold N   with --changes, how far an axis must move to be shown
                  (default 32)
  --map A,B       the axes reported as map0 and map1 (X, Y, Z, Rx, Ry, Rz,
                  slider0, slider1 or none; default X,Y, shown as X and Y)
  --flip F0,F1    1 reverses map0 / map1 (default 0,0)
  --seconds N     stop after N seconds (decimals allowed)
  --interval MS   time between samples (default 100)
)";

const char *const kPlay = R"(Usage: gantrel-probe play DEVICE EFFECT [OPTIONS]

Creates one effect on the controller, starts it, lets it play, stops and
destroys it and releases the controller. EFFECT is one of:
  constant                                    a steady push
  square sine triangle sawtoothup sawtoothdown  periodic waves
  spring damper inertia friction              conditions: forces that answer
                                              the axis's position, speed,
                                              acceleration, or its movement
Values are in the library's units: full scale 4096, milliseconds, degrees.

Options for every effect:
  --seconds S       how long to let it play (default: its duration, else 1)
  --gain N          1..4096, scales the whole effect (default 4096)
  --duration MS     the effect's own length; 0 plays until stopped (default 0)
  --count N         how many times to play it in a row (default 1)
  --envelope AL,AT,FL,FT   start at level AL and reach full strength after AT ms;
                    fade to level FL over the last FT ms (needs --duration)
  --map A,B         the device axes the effect acts on (default: the
                    controller's first two force-feedback axes; a wheel has one);
                    one axis named twice is refused, and a map without any
                    actuator gets a warning, as the effect would do nothing
  --strict          fail instead of warning (exit status 2)
  --flip F0,F1      1 reverses the force on that mapped axis
Constant and periodic effects:
  --magnitude N     strength: -4096..4096 for constant, 0..4096 for waves (default 2048)
  --direction DEG   where the force comes from on two axes, clockwise from
                    north (away from the user); 90 comes from the right (default 90)
Periodic effects:
  --period MS       length of one cycle (default 200)
  --phase DEG       where in the cycle it starts (default 0)
  --offset N        shifts the wave's centre (default 0)
Conditions (both mapped axes unless told otherwise):
  --coefficient P[,N]  force per unit of the axis's position, speed or
                    acceleration on the positive [and negative] side (default 2048)
  --saturation P[,N]   the most force on each side (default 4096)
  --deadband N      no force within N of the centre point (default 0)
  --center N        the centre point (default 0)
  --cond0 LIST, --cond1 LIST   one mapped axis in detail, e.g.
                    offset=0,coef=2048,neg-coef=1024,sat=4096,neg-sat=2048,deadband=200,
                    or "off" to leave that axis alone
With the simulated DirectInput:
  --out DIR         where the force trace goes (default gantrel-probe-traces);
                    an earlier trace of the effect there is kept, and the new
                    one is numbered (sine.csv, then sine-2.csv, ...)
  --sweep A[,MS]    during a condition, the simulator swings the mapped axes
                    by +-A around the centre, one cycle per MS (default
                    3277 and the play time); 0 holds them still
  --no-trace        write no trace files

Example: gantrel-probe play 0 sine --magnitude 3000 --period 250 --seconds 1.5
)";

const char *const kTest = R"(Usage: gantrel-probe test DEVICE [--map A,B] [--flip F0,F1] [--strict]

An interactive tester in the console: the controller's axes, buttons and hats
live, and one effect on its force-feedback axes that you start, stop and
change with keys. Each change of a parameter is sent at once with
dib_effect_update; a new type replaces the effect.

It starts gently, with a constant force of 800 of 4096, stopped: hold the
wheel or stick, press Space, and raise the force once you know which way it
pushes.

Keys:
  1-9, 0, Tab     effect type: 1 constant 2 square 3 sine 4 triangle
                  5 sawtoothup 6 sawtoothdown 7 spring 8 damper 9 inertia
                  0 friction (Tab: the next one)
  Space           start or stop
  Up, Down        magnitude (coefficient for conditions) by 256;
                  PgUp, PgDn by 1024
  Left, Right     direction by 15 degrees (on two force-feedback axes)
  + -             gain by 256
  [ ]             period of a wave: shorter, longer
  E               envelope on or off (rises from 0 over 1 s when started)
  Q, Esc          quit

Quitting by key, Ctrl-C or closing the console stops and destroys the
effect and releases the controller, which gives its auto-centre spring back.
Unplugged, the controller is waited for with the screen kept; once it is back
(by its GUID, or by its USB ids and name) the effect is there again, stopped
until Space. Taken by another program, it is kept and taken back once that
program lets go (close it, or turn off its force feedback), its effect
stopped until Space. It needs a console: its input and output may not be
redirected (exit status 6). Options as for play.
)";

const char *const kCheck = R"(Usage: gantrel-probe check DEVICE [--json] [--play MS]

Plays every effect type the controller offers on its force-feedback axes
for a moment at a low force (600 of 4096, also the cap of each condition)
and reports, per type, whether the controller lists it and the result of
each library call: create, update, start, stop, destroy, with the library's
message for every failure. A type it does not list is "not offered" and not
tried. It also reports the library's version, the force-feedback axes and
what happened to the auto-centre spring, and, for a controller that gets no
force, why, as far as the library and DirectInput tell: no axis with an
actuator, force-feedback reports DirectInput does not take, or no force
feedback at all (docs/devices.md shows devices of each kind). DEVICE may be
a game controller the library does not list (list --all numbers them).
Attach the report to a bug report. It exits with status 0 when every type
the controller offers works, and with 7 when one failed or it offers none.

Options:
  --json      the report as JSON
  --play MS   how long each effect plays (default 200)
)";

const char *const kDemo = R"(Usage: gantrel-probe demo [--out DIR]

A guided tour, on the simulated DirectInput's default devices (a wheel and a
joystick): lists and describes them, opens the wheel, polls it while its
simulated steering moves, plays each of the ten effect types in turn,
updates a playing effect, changes an effect's direction on the joystick and
releases everything. Each step is explained as it runs.

The force every effect puts on each actuator axis is traced on the
simulator's clock and written as a CSV file and an SVG picture per step.

Options:
  --out DIR   where the pictures go (default gantrel-probe-demo)

It needs the simulated DirectInput: dinput8.dll of this project beside the
program (under Wine also WINEDLLOVERRIDES=dinput8=n).
)";

// The exit status table, wrapped to the help's width.
std::string exit_status_help() {
    std::string out = "Exit status:\n";
    for (const ExitStatusRow &row : exit_status_table()) {
        std::string status = std::to_string(row.first);
        if (row.last != row.first) status += ".." + std::to_string(row.last);
        std::string line = "  " + status + std::string(9 - status.size(), ' ');
        const std::string words = row.meaning;
        size_t at = 0;
        while (at < words.size()) {
            size_t end = words.find(' ', at);
            if (end == std::string::npos) end = words.size();
            if (line.size() > 11 && line.size() + (end - at) + 1 > 78) {
                out += line + "\n";
                line = std::string(11, ' ');
            }
            line += (line.back() == ' ' ? "" : " ") + words.substr(at, end - at);
            at = end + 1;
        }
        out += line + "\n";
    }
    return out + "Every failure prints the result code's name and the library's own message.\n\n"
                 "`gantrel-probe --version` prints the library's version and build date.\n";
}

}  // namespace

std::string help_text(const std::string &command) {
    if (command.empty()) return kOverview + exit_status_help();
    if (command == "list") return kList;
    if (command == "info") return kInfo;
    if (command == "poll") return kPoll;
    if (command == "play") return kPlay;
    if (command == "test") return kTest;
    if (command == "check") return kCheck;
    if (command == "demo") return kDemo;
    return "";
}

}  // namespace probe
