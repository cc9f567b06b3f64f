// Lattice hash and smooth value noise. Needs `uniform float Seed` declared before it.

// Pseudo-random value in [0, 1) for a lattice point.
float hash(vec2 p) {
  return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453);
}

// Value noise in [0, 1]; the seed shifts every lookup afresh, unrotated and unscaled.
float noise(vec2 p) {
  p += vec2(Seed * 123.456, Seed * 789.012);
  vec2 i = floor(p);
  vec2 f = fract(p);
  f = f * f * (3.0 - 2.0 * f);
  float lowerLeft = hash(i + vec2(0.0, 0.0));
  float lowerRight = hash(i + vec2(1.0, 0.0));
  float upperLeft = hash(i + vec2(0.0, 1.0));
  float upperRight = hash(i + vec2(1.0, 1.0));
  return mix(mix(lowerLeft, lowerRight, f.x), mix(upperLeft, upperRight, f.x), f.y);
}
