// Draws the screen of a CD+G stream at given moments with the cdgraphics package, an independent
// decoder, as binary PPM pictures of 300 x 216 (the border ring included).
//
//   node cdgraphics_screens.mjs NODE_MODULES STREAM.cdg OUT_PREFIX SECONDS...
//
// writes OUT_PREFIX-0.ppm, OUT_PREFIX-1.ppm, ... one for each moment, in the order given (the
// moments must not run back). At t seconds cdgraphics has executed packets 0 ... floor(300 t).
import { readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

// The package draws into a browser's ImageData; Node has none.
globalThis.ImageData ??= class {
  constructor(width, height) {
    this.width = width;
    this.height = height;
    this.data = new Uint8ClampedArray(width * height * 4);
  }
};

const [modules, streamPath, prefix, ...moments] = process.argv.slice(2);
if (!modules || !streamPath || !prefix || moments.length === 0) {
  console.error('usage: node cdgraphics_screens.mjs NODE_MODULES STREAM.cdg OUT_PREFIX SECONDS...');
  process.exit(2);
}
const packageDir = path.join(modules, 'cdgraphics');
const entry = JSON.parse(readFileSync(path.join(packageDir, 'package.json'), 'utf8')).exports;
const { default: CDGraphics } = await import(pathToFileURL(path.join(packageDir, entry)).href);

const bytes = readFileSync(streamPath);
const decoder = new CDGraphics(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength));
moments.forEach((text, i) => {
  const { imageData } = decoder.render(Number(text));
  const { width, height, data } = imageData;
  const header = Buffer.from(`P6\n${width} ${height}\n255\n`, 'ascii');
  const rgb = Buffer.alloc(width * height * 3);
  for (let p = 0; p < width * height; ++p) {
    rgb[3 * p] = data[4 * p];
    rgb[3 * p + 1] = data[4 * p + 1];
    rgb[3 * p + 2] = data[4 * p + 2];
  }
  writeFileSync(`${prefix}-${i}.ppm`, Buffer.concat([header, rgb]));
});
