// Five octaves of `noise`, each turned by 0.5 radian counter-clockwise and doubled in
// frequency. A larger detail fades the higher octaves faster; dividing by the summed
// weights keeps the result within the range of `noise`.
float fbm(vec2 p, float detail) {
  float v = 0.0;
  float a = 0.5;
  float totalAmp = 0.0;
  mat2 rot = mat2(cos(0.5), sin(0.5), -sin(0.5), cos(0.5));
  float octaveFade = 1.0 - detail * 0.15;
  for (int i = 0; i < 5; ++i) {
    v += a * noise(p);
    totalAmp += a;
    p = (rot * p) * 2.0;
    a *= 0.5 * octaveFade;
  }
  return v / totalAmp;
}
