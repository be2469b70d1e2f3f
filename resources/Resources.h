// Access to the pictures built into every program (":/Quorvane/...").
#pragma once

namespace quorvane {

// Registers the built-in resources; cheap and safe to call any number of times.
void initResources();

} // namespace quorvane
