#pragma once
// The effect's animation clock, apart from everything GL so that its object file can be
// compiled for any target and inspected on its own.

// The clock one frame later: it moves by ("Flow" * 1.5 + 0.5) * "Time Speed" * 0.075. Single
// precision, rounded after every operation in this order; the library is built without
// floating-point contraction, so no compiler fuses a multiply and an add here.
float AdvanceAnimationClock(float clock, float flow, float timeSpeed);
