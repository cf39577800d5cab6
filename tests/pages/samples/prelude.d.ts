// The page's own drawing functions that the page guide's code samples call
// (tools/check_page_samples.js checks the samples with these beside them).
declare function show(options: KXOption[]): void;
declare function showVoices(normal: string[], horn?: string[]): void;
