// Globals of the space flight: the far drawing limit and the player's steering state.
#pragma once

// Far drawing limit of the space world; distant bodies are drawn at it, scaled down.
extern float g_ViewDistance;  // kept by the world container
// Mouse steering accumulated by the flight step; decays every step.
extern float g_MouseYawInput;
extern float g_MousePitchInput;
// The player's turn rates of this frame (the cockpit's steering indicator reads them).
extern float g_YawRate;
extern float g_PitchRate;
extern float g_RollRate;

// The largest frame time the turn damping works with: a longer step would flip the
// damping divisor's sign and make the turn grow instead of decay.
constexpr float kMaxDampingStep = 0.15f;
// Boundary of the flight area (a network game has a wider one).
constexpr float kFlightLimit = 11000.0f;
constexpr float kFlightLimitNetwork = 15000.0f;
