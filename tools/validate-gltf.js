// Runs the Khronos glTF validator over .gltf and .glb files, resolving
// their external images beside them, and prints each file's counts and
// every error and warning. Exits 1 when any file has an error or a warning.
//
//   node tools/validate-gltf.js VALIDATOR_MODULE_DIR FILE...
const fs = require('fs');
const path = require('path');

const [moduleDir, ...files] = process.argv.slice(2);
const validator = require(path.resolve(moduleDir));

async function check(file) {
  const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    maxIssues: 0,
    externalResourceFunction: (uri) =>
      fs.promises.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri))),
  });
  const issues = report.issues;
  console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings, ` +
              `${issues.numInfos} infos, ${issues.numHints} hints`);
  for (const m of issues.messages) {
    if (m.severity <= 1) console.log(`  ${m.code} ${m.pointer || ''} ${m.message}`);
  }
  return issues.numErrors + issues.numWarnings === 0;
}

(async () => {
  let clean = true;
  for (const file of files) clean = (await check(file)) && clean;
  process.exit(clean ? 0 : 1);
})().catch((error) => {
  console.log(`validator failed: ${error}`);
  process.exit(1);
});
