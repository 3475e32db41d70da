// Which tool buttons are enabled, by the state of the store.
#pragma once

namespace kestrel {

// Runs QuerySelection, then enables or disables every button except UNDO by
// its rule. Called by every operation that changes the store, the selection
// or the validity of the grids and links.
void UpdateButtons();

// The UNDO button follows the journal alone: enabled while it holds records.
void SetUndoButton(bool enabled);

}  // namespace kestrel
