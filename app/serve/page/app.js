// The page of `linkan serve`. It draws the module's task and results
// dialogs from the controls the server reports and sends back each change
// as a control change; every rule, check and message is the module's own.
// Texts from the data (item names, labels, messages) are always set as
// text, never as markup.
'use strict';

const state = {
  ws: sessionStorage.getItem('linkan.ws') || null,
  dir: '',
  table: null,
  task: null,
  taskPage: 0,
  results: null,
  resultPage: 0,
  events: null,
};

// ---- Small helpers ----------------------------------------------------------

function el(tag, attrs, ...children) {
  const node = document.createElement(tag);
  for (const [key, value] of Object.entries(attrs || {})) {
    if (value === undefined || value === null || value === false) continue;
    if (key === 'class') node.className = value;
    else if (key.startsWith('on')) node.addEventListener(key.slice(2), value);
    else if (key === 'checked' || key === 'disabled' || key === 'selected' || key === 'multiple') node[key] = !!value;
    else if (key === 'value') node.value = value;
    else node.setAttribute(key, value === true ? '' : String(value));
  }
  for (const child of children.flat()) {
    if (child === null || child === undefined || child === false) continue;
    node.append(child instanceof Node ? child : document.createTextNode(String(child)));
  }
  return node;
}

const $ = (id) => document.getElementById(id);

class ApiError extends Error {
  constructor(status, message) {
    super(message);
    this.status = status;
  }
}

// Requests in flight, on the body as data-busy (for a test to wait on).
let inFlight = 0;
function noteBusy(change) {
  inFlight += change;
  document.body.dataset.busy = String(inFlight);
}

async function api(method, path, body) {
  noteBusy(1);
  try {
    return await request(method, path, body);
  } finally {
    noteBusy(-1);
  }
}

async function request(method, path, body) {
  const options = { method, headers: {} };
  if (body !== undefined) {
    options.headers['Content-Type'] = 'application/json';
    options.body = JSON.stringify(body);
  }
  const response = await fetch(path, options);
  let data = null;
  try {
    data = await response.json();
  } catch (e) {
    data = { error: `the server answered ${response.status}` };
  }
  if (!response.ok) throw new ApiError(response.status, data.error || `error ${response.status}`);
  return data;
}

function wsPath(suffix) {
  return `/api/ws/${state.ws}${suffix}`;
}

function note(text, kind) {
  if (!text) return;
  const item = el('div', { class: `note ${kind || ''}` }, text);
  $('messages').prepend(item);
  while ($('messages').children.length > 6) $('messages').lastChild.remove();
  setTimeout(() => item.remove(), 12000);
}

function showMessages(list) {
  for (const m of list || []) note(m, 'module');
}

function setStatus(text) {
  $('status').textContent = text || '';
}

async function guarded(action) {
  try {
    return await action();
  } catch (e) {
    note(e.message, 'error');
    setStatus(e.message);
    if (e.status === 404 && /not open any more/.test(e.message)) forgetWorkspace();
    return null;
  }
}

function forgetWorkspace() {
  state.ws = null;
  sessionStorage.removeItem('linkan.ws');
}

function formatCell(value) {
  if (value === null || value === undefined) return '';
  if (typeof value === 'number') return Number.isInteger(value) ? String(value) : String(+value.toPrecision(6));
  return value;
}

// ---- 1. Data ----------------------------------------------------------------

async function listFiles(dir) {
  const data = await guarded(() => api('GET', `/api/files?dir=${encodeURIComponent(dir)}`));
  if (!data) return;
  state.dir = dir;
  $('files-dir').textContent = '/' + dir;
  const list = $('files');
  list.replaceChildren();
  // A project's journal files are SQLite's own, not for picking.
  for (const entry of data.entries.filter((e) => !/\.dbs-(wal|shm|journal)$/.test(e.name))) {
    const path = dir ? `${dir}/${entry.name}` : entry.name;
    const item = el('li', {
      class: entry.folder ? 'folder' : 'file',
      'data-name': entry.name,
      tabindex: 0,
      onclick: () => {
        if (entry.folder) {
          listFiles(path);
        } else {
          $('data-file').value = path;
          if (/\.(txt|dat|basket)$/i.test(entry.name)) $('format').value = 'basket';
          else if (/\.spmf$/i.test(entry.name)) $('format').value = 'spmf';
          else if (/\.(csv|tsv|tab)$/i.test(entry.name)) $('format').value = 'csv';
        }
      },
    }, entry.folder ? `${entry.name}/` : entry.name,
       entry.folder ? null : el('span', { class: 'size' }, `${entry.size} bytes`));
    list.append(item);
  }
}

function showTable(table) {
  state.table = table;
  const box = $('table-info');
  box.replaceChildren();
  if (!table || !table.file) return;
  const rows = table.variables.map((v) => el('tr', {},
    el('td', {}, v.number), el('td', {}, v.name), el('td', {}, v.kind), el('td', {}, v.missing),
    el('td', {}, v.labels.join(', ') + (v.labelCount > v.labels.length ? ', ...' : ''))));
  box.append(
    el('p', {}, `${table.file}: ${table.cases} cases, ${table.variables.length} variables`),
    el('table', { id: 'variables', class: 'grid' },
      el('thead', {}, el('tr', {}, ['#', 'Variable', 'Kind', 'Missing', 'Value labels'].map((h) => el('th', {}, h)))),
      el('tbody', {}, rows)));
}

async function openData() {
  const data = $('data-file').value.trim();
  if (!data) return note('Pick a data file first.', 'error');
  setStatus('Reading the data...');
  const body = { data, format: $('format').value };
  if ($('weight').value.trim()) body.weight = $('weight').value.trim();
  const answer = await guarded(() => api('POST', '/api/open', body));
  if (!answer) return;
  adoptWorkspace(answer.workspace);
  showTable(answer.table);
  $('results-section').hidden = true;
  $('run-section').hidden = true;
  state.taskPage = 0;
  showTask(answer.task);
  setStatus(`Opened ${data}`);
}

async function openProject() {
  const project = $('data-file').value.trim();
  if (!project) return note('Pick a project file (.dbs) first.', 'error');
  const answer = await guarded(() => api('POST', '/api/open', { project }));
  if (!answer) return;
  adoptWorkspace(answer.workspace);
  showTable(answer.table);
  $('task-section').hidden = true;
  $('results-section').hidden = true;
  watchRun();
}

async function upload(file) {
  if (!file) return;
  const text = await file.text();
  const answer = await guarded(() => api('POST', '/api/upload', { name: file.name, text }));
  if (!answer) return;
  note(`Uploaded ${answer.path}`);
  $('data-file').value = answer.path;
  listFiles(state.dir);
}

function adoptWorkspace(id) {
  state.ws = id;
  sessionStorage.setItem('linkan.ws', id);
}

// ---- 2. Task: the task dialog by control id --------------------------------

function controlsOn(dialog, page) {
  return dialog.controls.filter((c) => c.page === page && c.visible);
}

function renderControl(c, prefix, handlers) {
  const id = `${prefix}-${c.id}`;
  switch (c.kind) {
    case 'check':
    case 'radio':
      return el('label', { class: `control ${c.kind}`, 'data-control': c.id },
        el('input', { type: c.kind === 'check' ? 'checkbox' : 'radio', id, checked: c.checked,
                      disabled: !c.enabled, onclick: (e) => { e.preventDefault(); handlers.click(c.id); } }),
        ' ', c.text);
    case 'edit': {
      // An edit without a range takes a name (a file, a query): a wide field.
      const input = el('input', { type: 'text', id, value: c.text, disabled: !c.enabled,
                                  class: c.min === undefined ? 'wide' : null,
                                  onchange: (e) => handlers.type(c.id, e.target.value) });
      if (c.min !== undefined) input.title = `from ${c.min} to ${c.max}`;
      return el('label', { class: 'control edit', 'data-control': c.id }, c.caption || '', input);
    }
    case 'button':
      return el('button', { type: 'button', id, class: 'control button', 'data-control': c.id,
                            disabled: !c.enabled, onclick: () => handlers.click(c.id) }, c.text);
    case 'group':
      return el('fieldset', { class: 'control group', id }, el('legend', {}, c.text));
    case 'help':
      return el('p', { class: 'control help', id }, c.text);
    case 'label':
      return el('span', { class: `control label${c.enabled ? '' : ' disabled'}`, id, 'data-control': c.id }, c.text);
    default:
      return null;
  }
}

// A page's controls in layout order. A caption label and the label after it
// (its value) share a line; a label that repeats an edit's caption is left
// out, as the edit shows it.
function renderPage(controls, prefix, handlers) {
  const editCaptions = new Set(controls.filter((c) => c.kind === 'edit' && c.caption).map((c) => c.caption));
  const nodes = [];
  const groups = new Map();
  const place = (c, node) => {
    if (c.group && groups.has(c.group)) groups.get(c.group).append(node);
    else nodes.push(node);
  };
  for (let i = 0; i < controls.length; ++i) {
    const c = controls[i];
    if (c.kind === 'label' && editCaptions.has(c.text)) continue;
    if (c.kind === 'group') {
      const box = renderControl(c, prefix, handlers);
      groups.set(c.id, box);
      nodes.push(box);
      continue;
    }
    const next = controls[i + 1];
    if (c.kind === 'label' && /:\s*$/.test(c.text) && next && next.kind === 'label') {
      nodes.push(el('div', { class: 'pair' }, renderControl(c, prefix, handlers), renderControl(next, prefix, handlers)));
      ++i;
      continue;
    }
    const node = renderControl(c, prefix, handlers);
    if (node) place(c, node);
  }
  return nodes;
}

// Shows `controls` in `container`: when the same controls are shown
// already, only their state changes, so that the field being typed in
// keeps its focus and text; otherwise the page is drawn anew.
function showControls(container, controls, prefix, handlers) {
  const signature = controls.map((c) => `${c.id}:${c.kind}`).join(',');
  if (container.dataset.signature !== signature) {
    container.dataset.signature = signature;
    container.replaceChildren(...renderPage(controls, prefix, handlers));
    return;
  }
  for (const c of controls) {
    const node = document.getElementById(`${prefix}-${c.id}`);
    if (!node) continue;
    if (c.kind === 'check' || c.kind === 'radio') {
      node.checked = c.checked;
      node.disabled = !c.enabled;
      node.parentElement.lastChild.textContent = ` ${c.text}`;
    } else if (c.kind === 'edit') {
      if (document.activeElement !== node) node.value = c.text;
      node.disabled = !c.enabled;
    } else if (c.kind === 'button') {
      node.disabled = !c.enabled;
      node.textContent = c.text;
    } else if (c.kind === 'group') {
      node.firstChild.textContent = c.text;
    } else {
      node.textContent = c.text;
      node.classList.toggle('disabled', !c.enabled);
    }
  }
}

function renderTabs(nav, pages, current, choose) {
  nav.replaceChildren(...pages.map((p) => el('button', {
    type: 'button', class: p.index === current ? 'tab current' : 'tab', 'data-page': p.index,
    onclick: () => choose(p.index),
  }, p.caption)));
}

function showTask(task, failure) {
  if (!task || task.error) return;
  state.task = task;
  $('task-section').hidden = false;
  if (!task.pages.some((p) => p.index === state.taskPage)) state.taskPage = task.pages[0].index;
  if (failure && failure.control) {
    const target = task.controls.find((c) => c.id === failure.control);
    if (target && target.page >= 0) state.taskPage = target.page;
  }
  renderTabs($('task-tabs'), task.pages, state.taskPage, (page) => {
    state.taskPage = page;
    showTask(state.task);
  });
  const handlers = { click: clickTask, type: typeTask };
  const page = $('task-page');
  showControls(page, controlsOn(task, state.taskPage), 'c', handlers);
  page.querySelectorAll('.control-message').forEach((m) => m.remove());
  const message = $('task-message');
  message.hidden = true;
  if (failure && failure.message) {
    const box = el('div', { class: 'control-message', id: 'control-message' }, failure.message);
    const anchor = failure.control && page.querySelector(`[data-control="${failure.control}"]`);
    if (anchor) {
      anchor.after(box);
      box.scrollIntoView({ block: 'center' });
    } else {
      message.textContent = failure.message;
      message.hidden = false;
      message.scrollIntoView({ block: 'center' });
    }
  }
  $('ok').disabled = !(task.controls.find((c) => c.id === 1) || {}).enabled;
}

async function typeTask(id, text) {
  const answer = await guarded(() => api('POST', wsPath('/task/type'), { id, text }));
  if (answer) showTask(answer.task);
}

async function clickTask(id, answers) {
  const answer = await guarded(() => api('POST', wsPath('/task/click'), { id, answers: answers || {} }));
  if (!answer) return;
  showMessages(answer.messages);
  const failure = answer.click.code !== 0 ? answer.click : null;
  showTask(answer.task, failure);
  if (answer.dialog) askHost(answer.dialog, (reply) => clickTask(id, reply));
}

async function pressOk(answers) {
  // Edits commit on change; a field still focused commits first.
  if (document.activeElement && document.activeElement.tagName === 'INPUT') document.activeElement.blur();
  await new Promise((r) => setTimeout(r, 50));
  const answer = await guarded(() => api('POST', wsPath('/task/ok'), { answers: answers || {} }));
  if (!answer) return;
  watchRun();
}

async function saveTask() {
  const path = $('task-path').value.trim();
  const answer = await guarded(() => api('POST', wsPath('/task/save'), { path }));
  if (answer) note(`Saved the task as ${answer.path}`);
}

async function loadTask() {
  const path = $('task-path').value.trim();
  const answer = await guarded(() => api('POST', wsPath('/task/load'), { path }));
  if (!answer) return;
  showMessages(answer.messages);
  if (!answer.ok) note(answer.error, 'error');
  else note(`Loaded the task ${path}`);
  showTask(answer.task);
}

// ---- The host's own dialogs --------------------------------------------------

function variableOptions(selected, withNone) {
  const options = [];
  if (withNone) options.push(el('option', { value: 0 }, '(none)'));
  for (const v of (state.table ? state.table.variables : [])) {
    options.push(el('option', { value: v.number, selected: selected.includes(v.number) }, `${v.number}. ${v.name}`));
  }
  return options;
}

// Shows the host dialog the module asked for; `reply` gets the answers.
function askHost(request, reply) {
  const body = $('host-dialog-body');
  body.replaceChildren();
  $('host-dialog-title').textContent = request.title || request.caption || '';
  let collect = null;
  if (request.kind === 'variables') {
    const selects = request.lists.map((list, k) => {
      const single = list.max === 1;
      const select = el('select', { id: `host-list-${k}`, multiple: !single, size: single ? 1 : 6 },
        variableOptions(list.chosen, single));
      body.append(el('label', { class: 'host-list' }, list.caption, select));
      return select;
    });
    collect = () => ({ variables: selects.map((s) => Array.from(s.selectedOptions).map((o) => +o.value).filter((n) => n > 0)) });
  } else if (request.kind === 'roles') {
    body.append(el('p', {}, request.rolesCaption || ''));
    const selects = request.roles.map((role, k) => {
      const select = el('select', { id: `host-role-${k}` },
        el('option', { value: 0 }, '(none)'),
        request.variables.map((name, v) => el('option', { value: v + 1, selected: request.assignment[k] === v + 1 }, name)));
      body.append(el('label', { class: 'host-list' }, role, select));
      return select;
    });
    collect = () => ({ roles: selects.map((s) => +s.value) });
  } else if (request.kind === 'open' || request.kind === 'save') {
    const input = el('input', { type: 'text', id: 'host-file', value: request.defaultName || '' });
    body.append(el('p', {}, 'A file in the served folder, for example data/taxonomy.csv'), input);
    const list = el('ul', { class: 'files small' });
    api('GET', `/api/files?dir=${encodeURIComponent(state.dir)}`).then((data) => {
      for (const entry of data.entries.filter((e) => !e.folder)) {
        const path = state.dir ? `${state.dir}/${entry.name}` : entry.name;
        list.append(el('li', { class: 'file', onclick: () => { input.value = path; } }, entry.name));
      }
    }).catch(() => {});
    body.append(list);
    collect = () => ({ [request.kind]: input.value.trim() });
  } else if (request.kind === 'question') {
    body.append(el('p', { id: 'host-question' }, request.text));
    $('host-dialog-ok').textContent = 'Yes';
    $('host-dialog-cancel').textContent = 'No';
    collect = () => ({ question: true });
  } else {
    return;
  }
  const overlay = $('host-dialog');
  overlay.hidden = false;
  const close = () => {
    overlay.hidden = true;
    $('host-dialog-ok').textContent = 'OK';
    $('host-dialog-cancel').textContent = 'Cancel';
    $('host-dialog-ok').onclick = null;
    $('host-dialog-cancel').onclick = null;
  };
  $('host-dialog-ok').onclick = () => { const answers = collect(); close(); reply(answers); };
  $('host-dialog-cancel').onclick = () => {
    close();
    if (request.kind === 'question') reply({ question: false });
  };
}

// ---- 3. Run ------------------------------------------------------------------

function showJob(job) {
  $('run-section').hidden = false;
  const running = job.state === 'running';
  $('run-state').textContent = running ? 'Running' : job.state === 'done' ? 'Done' : job.state === 'cancelled' ? 'Cancelled' : job.state === 'failed' ? 'Not run' : '';
  $('run-state').className = `state ${job.state}`;
  $('run-phase').textContent = job.phase && running ? job.phase : (job.summary || '');
  const progress = $('run-progress');
  if (running && job.total > 0) {
    progress.max = job.total;
    progress.value = Math.min(job.position, job.total);
  } else if (running) {
    progress.removeAttribute('value');
  } else {
    progress.max = 1;
    progress.value = job.state === 'done' ? 1 : 0;
  }
  $('run-count').textContent = running && job.position ? `${job.position}${job.total ? ' / ' + job.total : ''}` : '';
  $('run-elapsed').textContent = job.elapsed !== undefined ? `${job.elapsed.toFixed(1)} s` : '';
  $('run-cancel').disabled = !running;
  $('ok').disabled = running;
  const message = $('run-message');
  message.hidden = !job.message;
  message.textContent = job.message || '';
}

function watchRun() {
  if (state.events) state.events.close();
  $('run-section').hidden = false;
  $('run-section').scrollIntoView({ block: 'center' });
  const source = new EventSource(wsPath('/events'));
  state.events = source;
  source.onmessage = (event) => {
    const job = JSON.parse(event.data);
    showJob(job);
    if (job.state !== 'running') {
      source.close();
      state.events = null;
      finishRun(job);
    }
  };
  source.onerror = () => {
    // The stream ends when the run does; anything else: ask once more.
    if (source.readyState === EventSource.CLOSED && state.events === source) {
      state.events = null;
      guarded(() => api('GET', wsPath('/job'))).then((job) => {
        if (job && job.state === 'running') setTimeout(watchRun, 500);
        else if (job) { showJob(job); finishRun(job); }
      });
    }
  };
}

async function finishRun(job) {
  showMessages(job.messages);
  if (job.state === 'done') {
    setStatus(job.summary || 'Done');
    await loadResults();
  } else {
    setStatus(job.message || job.state);
    if (!$('task-section').hidden || (state.table && state.table.file)) {
      const task = await guarded(() => api('GET', wsPath('/task')));
      if (task) showTask(task, job.message ? { message: job.message, control: job.control } : null);
    }
    if (job.dialog) askHost(job.dialog, (reply) => pressOk(reply));
  }
}

async function cancelRun() {
  await guarded(() => api('POST', wsPath('/cancel'), {}));
}

// ---- 4. Results: the results dialog by control id ---------------------------

async function loadResults() {
  const results = await guarded(() => api('GET', wsPath('/results')));
  if (!results || results.error) return;
  state.results = results;
  $('results-section').hidden = false;
  const counts = results.counts || {};
  $('results-summary').textContent = results.recommendation
    ? `A model loaded for recommendation: ${counts.items} items, ${counts.rules} rules.`
    : `${counts.transactions} ${results.association ? 'transactions' : 'sequences'}, ${counts.items} frequent items, ${counts.patterns} frequent ${results.association ? 'itemsets' : 'sequences'}, ${counts.rules} rules.`;
  showItems(results.list);
  showResultPage();
  $('download-pmml').href = wsPath('/model/native');
  $('download-pmml44').href = wsPath('/model/4.4');
  $('download-project').href = wsPath('/project');
  $('download-pmml').hidden = $('download-pmml44').hidden = !!results.recommendation;
  const docs = $('documents');
  docs.replaceChildren();
  for (const meta of results.documents || []) docs.prepend(documentView(meta));
}

function showItems(list) {
  const table = $('items');
  table.replaceChildren();
  if (!list) return;
  const head = el('tr', {}, el('th', {}, ''), list.columns.map((title, k) => el('th', {
    class: 'sortable', 'data-column': k,
    onclick: async () => {
      const answer = await guarded(() => api('POST', wsPath('/results/sort'), { column: k }));
      if (answer) refreshItems();
    },
  }, title, list.sortColumn === k ? (list.ascending ? ' \u25b2' : ' \u25bc') : '')));
  const rows = list.rows.map((cells, r) => el('tr', { 'data-row': r },
    el('td', {}, el('input', { type: 'checkbox', class: 'item-select', checked: list.selected[r],
                               onchange: selectionChanged })),
    cells.map((cell) => el('td', {}, cell))));
  table.append(el('thead', {}, head), el('tbody', {}, rows));
}

async function refreshItems() {
  const results = await guarded(() => api('GET', wsPath('/results')));
  if (results && !results.error) {
    state.results.list = results.list;
    showItems(results.list);
  }
}

async function selectionChanged() {
  const rows = [];
  document.querySelectorAll('#items tbody tr').forEach((tr) => {
    if (tr.querySelector('.item-select').checked) rows.push(+tr.dataset.row);
  });
  await guarded(() => api('POST', wsPath('/results/select'), { rows }));
}

async function selectAllItems(on) {
  document.querySelectorAll('#items .item-select').forEach((box) => { box.checked = on; });
  await selectionChanged();
}

function showResultPage() {
  const results = state.results;
  if (!results.pages.some((p) => p.index === state.resultPage)) state.resultPage = results.pages[0].index;
  renderTabs($('result-tabs'), results.pages, state.resultPage, (page) => {
    state.resultPage = page;
    showResultPage();
  });
  const handlers = { click: clickResult, type: typeResult };
  showControls($('result-page'), controlsOn(results, state.resultPage), 'r', handlers);
  const page = results.pages.find((p) => p.index === state.resultPage);
  $('result-notes').replaceChildren(...(page.notes || []).map((n) => el('p', { class: 'hint' }, n)));
}

async function typeResult(id, text) {
  await guarded(() => api('POST', wsPath('/results/type'), { id, text }));
}

async function clickResult(id) {
  const active = document.activeElement;
  if (active && active.tagName === 'INPUT' && active.type === 'text') active.blur();
  await new Promise((r) => setTimeout(r, 50));
  setStatus('Working...');
  const answer = await guarded(() => api('POST', wsPath('/results/click'), { id }));
  if (!answer) return;
  setStatus('');
  showMessages(answer.messages);
  if (answer.click.code !== 0 && answer.click.message) note(answer.click.message, 'module');
  const docs = $('documents');
  for (const meta of answer.documents) docs.prepend(documentView(meta));
  if (answer.documents.length) docs.firstChild.scrollIntoView({ behavior: 'smooth', block: 'start' });
}

function documentView(meta) {
  const titles = (meta.titles || []).filter(Boolean);
  const box = el('article', { class: `document ${meta.kind}`, 'data-name': meta.name, 'data-id': meta.id },
    el('header', {}, titles.map((t, k) => el(k === 0 ? 'h3' : 'p', { class: 'title' }, t))));
  if (meta.kind === 'table') {
    box.append(tableView(meta));
  } else if (meta.kind === 'picture') {
    box.append(
      el('img', { class: 'doc-picture', alt: titles[0] || meta.name, src: wsPath(`/download/${meta.id}.svg?inline=1`) }),
      el('div', { class: 'buttons' },
        el('a', { href: wsPath(`/download/${meta.id}.svg`), download: `${meta.name}.svg` }, 'SVG'),
        el('a', { href: wsPath(`/download/${meta.id}.png`), download: `${meta.name}.png` }, 'PNG')));
  } else {
    box.append(el('pre', { class: 'report' }, meta.text || ''));
  }
  return box;
}

function tableView(meta) {
  const view = { offset: 0, limit: 100, sort: -2, desc: false };
  const grid = el('table', { class: 'grid doc-table' });
  const pager = el('span', { class: 'pager-text' });
  const prev = el('button', { type: 'button', class: 'prev', onclick: () => { view.offset = Math.max(0, view.offset - view.limit); load(); } }, 'Previous');
  const next = el('button', { type: 'button', class: 'next', onclick: () => { view.offset += view.limit; load(); } }, 'Next');
  const csv = el('a', { href: wsPath(`/download/${meta.id}.csv`), download: `${meta.name}.csv` }, 'CSV');
  async function load() {
    const page = await guarded(() => api('GET', wsPath(`/doc/${meta.id}?offset=${view.offset}&limit=${view.limit}&sort=${view.sort}&desc=${view.desc ? 1 : 0}`)));
    if (!page) return;
    const headers = [page.corner || ''].concat(page.columns).map((name, k) => el('th', {
      class: 'sortable', 'data-column': k - 1,
      onclick: () => {
        const column = k - 1;
        if (view.sort === column) view.desc = !view.desc;
        else { view.sort = column; view.desc = false; }
        view.offset = 0;
        load();
      },
    }, name, view.sort === k - 1 ? (view.desc ? ' \u25bc' : ' \u25b2') : ''));
    grid.replaceChildren(el('thead', {}, el('tr', {}, headers)),
      el('tbody', {}, page.rows.map((row) => el('tr', {}, row.map((cell) => el('td', {}, formatCell(cell)))))));
    const last = Math.min(page.offset + page.rows.length, page.total);
    pager.textContent = page.total ? `rows ${page.offset + 1} to ${last} of ${page.total}` : 'no rows';
    prev.disabled = page.offset === 0;
    next.disabled = last >= page.total;
  }
  load();
  return el('div', { class: 'table-view' }, el('div', { class: 'buttons pager' }, prev, pager, next, csv), el('div', { class: 'table-scroll' }, grid));
}

// ---- Start -------------------------------------------------------------------

async function resume() {
  if (!state.ws) return;
  // A reload: the tab's analysis, and its run if one is going on.
  const job = await api('GET', wsPath('/job')).catch(() => null);
  if (!job) return forgetWorkspace();
  const task = await api('GET', wsPath('/task')).catch(() => null);
  if (task && !task.error) showTask(task);
  if (job.state === 'running') watchRun();
  else if (job.state !== 'idle') showJob(job);
  if (job.state === 'done' || job.results) loadResults();
  else api('GET', wsPath('/results')).then((r) => { if (r && !r.error) loadResults(); }).catch(() => {});
}

function start() {
  // The token came in the address and is now a cookie: keep it out of the
  // address bar (and of bookmarks and screenshots).
  if (location.search.includes('token=')) history.replaceState(null, '', '/');
  $('files-up').onclick = () => listFiles(state.dir.split('/').slice(0, -1).join('/'));
  $('open-data').onclick = openData;
  $('open-project').onclick = openProject;
  $('upload').onchange = (e) => upload(e.target.files[0]);
  $('ok').onclick = () => pressOk();
  $('task-save').onclick = saveTask;
  $('task-load').onclick = loadTask;
  $('run-cancel').onclick = cancelRun;
  $('items-all').onclick = () => selectAllItems(true);
  $('items-none').onclick = () => selectAllItems(false);
  listFiles('');
  resume();
}

document.addEventListener('DOMContentLoaded', start);
