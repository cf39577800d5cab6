// A TypeScript page as the page guide has a page author write one, with
// pages/tsconfig.ts.json and kxhelper.d.ts beside it: typed events, the
// helpers' promises, and syntax newer than the engine's, which tsc turns
// into ES5 (tools/check_page_types.sh compiles and checks it).
interface Shown {
  options: KXOption[];
  voices: { [list: number]: string[] };
}

const shown: Shown = { options: [], voices: { 1: [], 2: [] } };

function readList(list: KXVoiceList): string[] {
  return JSON.parse(KXHelper.GetFilteredVoices(list));
}

addEventListener('kxhelperchange', (event) => {
  const { detail } = event;
  if (detail.change === 'voice')
    shown.voices[detail.list] = readList(detail.list);
  else if (detail.change === 'options')
    shown.options = JSON.parse(KXHelper.GetUserOptions());
});

async function start(): Promise<void> {
  await KXHelperReady();
  for (const list of [1, 2] as const)
    shown.voices[list] = readList(list);
  const [first] = await KXHelperSetOptions([
    { uic_type: 3, filter_id: 12, is_filter: true },
  ]);
  console.log(`options pushed back: ${first ? first.filter_id : 'none'}`);
}

start().catch((error: Error) => console.error(error.message));
