// "Time system..." (Transform menu): converts the argument t between JD,
// HJD and BJD in UTC, TT or TDB (the computation is time_conversion.h).
#pragma once

#include <string>

#include "engine/fwd.h"
#include "timescales/time_system.h"

namespace teril {

// The dialog's fields for the loaded file, in this order of preference:
// the fields remembered for this file, else what its header lines say
// (FieldsFromHeader), else the defaults (JD, UTC, GEO to BJD_TDB). After a
// conversion in this file run the "now" fields are the current system of
// t. When "Convert to" and "Reference after" would give the times as they
// are, the other way is offered (JD_UTC from BJD_TDB, else BJD_TDB).
TimeSystemFields TimeSystemDialogFields(const Engine& engine);

// The dialog "Time system", then the conversion of t[1..n] (and of the
// times as loaded, t0, which the phases and the read-out use). Refused,
// with a message box and a log line and nothing changed, when
//  - t does not hold the times (a transformation of t or phases: t != t0),
//  - a field is wrong (the message names it),
//  - the "now" fields contradict the system of a conversion made before
//    in this file run, or the target is the system t is in already,
//  - a point cannot be converted (not finite, outside the years 1800-2200,
//    before 1960 where UTC is needed; the message names the first one).
// Done: t and t0 replaced, the print format of t widened to at least 6
// decimals (1e-6 d), the log line "LOG>> time system: <from> -> <to>, ...",
// a log line when the epoch T0 of the ephemeris seems to count in another
// system than the converted times (T0 itself is left as it is), the
// fields remembered for this file, the data marked modified, the last
// correlation forgotten, and the key "R" handed to the key loop (the whole
// set rescaled).
void RunTimeSystemCommand(Engine& engine);

}  // namespace teril
