#pragma once
// The designed fonts are Windows fonts; here they are mapped once at start onto installed ones
// that carry Chinese glyphs, with metric-compatible Latin faces where there are any.
namespace fonts {
void installSubstitutions();
}
