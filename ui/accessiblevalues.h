// A screen reader sets a slider's or a spin box's value through the control's accessible value,
// where a sighted operator would press keys or type and press Enter. Qt's own accessible objects
// for these controls only set the value, so the edit is never finished and never reaches the
// camera. The objects installed here are as Qt's in all else, but finish the edit: a slider moves
// as a wheel notch moves it, and a spin box's edit ends as with Enter. While a modal box blocks the
// window, or an edit set through them is still to finish, they take no value, and a disabled
// control takes none; a number beyond a control's range lands on its nearer limit, and what is no
// number is refused. A spin box also tells its step, where Qt's tells none.
#pragma once

namespace accessibleValues {

// Covers every slider and spin box whose accessible object is made from now on, ahead of Qt's
// own: call it after the application object exists and before the controls are made.
void install();

} // namespace accessibleValues
