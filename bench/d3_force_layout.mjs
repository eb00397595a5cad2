// The d3-force reference for the content map's layout: the same 61 nodes with
// their relation weights as link strengths, no other forces, 250 ticks.
// Timed inside node after one warm-up run; prints the milliseconds of one
// layout (the mean of the timed runs).
//
//   node d3_force_layout.mjs <graph.json> <folder holding node_modules/d3-force>
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { join } from "node:path";
import { pathToFileURL } from "node:url";

const [graphPath, refFolder] = process.argv.slice(2);
if (!graphPath || !refFolder) {
  console.error("usage: node d3_force_layout.mjs <graph.json> <folder with node_modules/d3-force>");
  process.exit(2);
}
const require = createRequire(join(refFolder, "package.json"));
const d3 = await import(pathToFileURL(require.resolve("d3-force")).href);
const graph = JSON.parse(readFileSync(graphPath, "utf8"));

const kTicks = 250;
function layout() {
  const nodes = graph.nodes.map((n) => ({ id: n.id }));
  const links = graph.links.map((l) => ({ source: l.source, target: l.target, strength: l.strength }));
  const simulation = d3
    .forceSimulation(nodes)
    .force("link", d3.forceLink(links).id((n) => n.id).strength((l) => l.strength))
    .stop();
  for (let i = 0; i < kTicks; ++i) simulation.tick();
  return nodes;
}

layout();  // warm-up
const runs = 20;
const start = performance.now();
for (let i = 0; i < runs; ++i) layout();
const ms = (performance.now() - start) / runs;
console.log(`nodes=${graph.nodes.length} links=${graph.links.length} ticks=${kTicks} ms=${ms.toFixed(3)}`);
