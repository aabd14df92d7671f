#pragma once

// Draws every widget in the classic style that the dialog templates are laid
// out for: a group box's title sits on its frame (other styles put it above,
// into the space of the controls) and the default button has a heavy frame.
// Call once the application object exists.
void UseDialogStyle();
