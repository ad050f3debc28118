#pragma once

// Registers the accessible interfaces of the panel's own composite widgets: the header as one
// static text, the meter well as a grouping. Repeated calls do nothing.

namespace PanelAccessibility {

void install();

}  // namespace PanelAccessibility
