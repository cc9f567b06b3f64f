#pragma once
// The effect's GLSL stages ("#version 410 core"), embedded at build time from the files
// in this folder.

namespace shaders {

// Pass-through vertex stage: attribute 0 position, attribute 1 texture coordinate.
extern const char* const kEffectVertexSource;
// The whole fragment stage: mask, noise, fbm, the "Paint" and "Smoke" looks, output.
extern const char* const kEffectFragmentSource;

// Pieces of the fragment stage for programs that reuse them. The noise piece needs
// `uniform float Seed` declared before it; the fbm piece needs a `noise` function.
extern const char* const kNoisePiece;
extern const char* const kFbmPiece;

}  // namespace shaders
