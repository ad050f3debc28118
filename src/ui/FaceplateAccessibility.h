#pragma once

// Registers the accessible interfaces of the faceplate widgets with Qt: hidden decorations,
// section headings, value texts, the status console's combined element and the meter strip's
// container. Every faceplate widget installs it from its constructor; repeated calls do nothing.

namespace FaceplateAccessibility {

void install();

}  // namespace FaceplateAccessibility
