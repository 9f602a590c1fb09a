// The viewer: every view is a URL (#/search, #/article, #/menu), so it can be bookmarked,
// reloaded and left with Back.
'use strict';

const $ = (id) => document.getElementById(id);
const state = { book: 0, q: '', mode: 'exact', hits: [], current: -1 };
let searchTimer = 0;
let searchSerial = 0;

function showError(message) {
  $('error').textContent = message || '';
  $('error').hidden = !message;
}

async function api(path) {
  const response = await fetch(path);
  const body = await response.json().catch(() => ({ error: 'the server answered ' + response.status }));
  if (!response.ok) throw new Error(body.error || 'the server answered ' + response.status);
  return body;
}

// A query string that keeps BLOCK:OFFSET readable in bookmarks.
function query(params) {
  return Object.entries(params)
    .filter(([, value]) => value !== '' && value !== undefined && value !== null)
    .map(([key, value]) => key + '=' + encodeURIComponent(value).replace(/%3A/gi, ':'))
    .join('&');
}

function searchParams() {
  return { q: state.q, mode: state.mode === 'exact' ? '' : state.mode, book: state.book || '' };
}

function routeTo(view, params, replace) {
  const hash = '#/' + view + '?' + query(params);
  if (location.hash === hash) return;
  if (replace) history.replaceState(null, '', hash);
  else location.hash = hash;
  if (replace) render();
}

async function loadBooks() {
  const { books } = await api('api/books');
  const select = $('book');
  select.replaceChildren(...books.map((b) => new Option(b.title, b.book)));
  select.hidden = books.length < 2;
  select.value = String(state.book);
  select.onchange = () => {
    state.book = Number(select.value);
    routeTo('search', searchParams());
  };
}

async function search() {
  const serial = ++searchSerial;
  if (!state.q) {
    state.hits = [];
    showHits(null);
    return;
  }
  try {
    const result = await api('api/search?' + query({ q: state.q, mode: state.mode, book: state.book }));
    if (serial !== searchSerial) return;  // a newer search is on its way
    showError('');
    state.hits = result.hits;
    showHits(result);
  } catch (e) {
    if (serial === searchSerial) showError(e.message);
  }
}

function showHits(result) {
  const list = $('hits');
  list.replaceChildren();
  if (!result) {
    $('note').textContent = '';
    return;
  }
  $('note').textContent = result.total === 0 ? 'No hits.'
      : (result.how !== 'as typed' ? `Found as “${result.spelling}” (${result.how}). ` : '') +
        (result.total > result.hits.length ? `${result.hits.length} of ${result.total} hits.` : `${result.total} hit${result.total === 1 ? '' : 's'}.`);
  result.hits.forEach((hit, i) => {
    const a = document.createElement('a');
    a.textContent = hit.heading;
    a.href = '#/article?' + query({ at: hit.at, ...searchParams() });
    const li = document.createElement('li');
    li.append(a);
    if (i === state.current) li.className = 'current';
    list.append(li);
  });
}

function markCurrent(index) {
  state.current = index;
  [...$('hits').children].forEach((li, i) => {
    li.className = i === index ? 'current' : '';
    if (i === index) li.scrollIntoView({ block: 'nearest' });
  });
}

async function showArticle(path) {
  try {
    const article = await api(path);
    showError('');
    $('text').innerHTML = article.html;
    const pager = (id, at) => {
      const a = $(id);
      a.setAttribute('aria-disabled', at ? 'false' : 'true');
      if (at) a.href = '#/article?' + query({ at, ...searchParams() });
      else a.removeAttribute('href');
    };
    pager('previous', article.previous);
    pager('next', article.next);
    $('pager').hidden = false;
    document.title = (article.title || 'Tomeshelf') + ' — Tomeshelf';
  } catch (e) {
    showError(e.message);
  }
}

// Reads the URL and shows what it names.
async function render() {
  const [view, rest] = location.hash.replace(/^#\//, '').split('?');
  const params = new URLSearchParams(rest || '');
  state.book = Number(params.get('book') || 0);
  $('book').value = String(state.book);
  const q = params.get('q') || '';
  const mode = params.get('mode') || 'exact';
  const searchChanged = q !== state.q || mode !== state.mode || state.lastBook !== state.book;
  state.q = q;
  state.mode = mode;
  state.lastBook = state.book;
  if ($('q').value !== q && (!state.shown || document.activeElement !== $('q'))) $('q').value = q;
  state.shown = true;
  $('mode').value = mode;
  $('menu').href = '#/menu?' + query({ ...searchParams() });
  if (searchChanged) await search();
  if (view === 'article' && params.get('at')) {
    const at = params.get('at');
    markCurrent(state.hits.findIndex((h) => h.at === at));
    await showArticle('api/article?' + query({ at, book: state.book }));
  } else if (view === 'menu') {
    await showArticle('api/menu?' + query({ book: state.book }));
  } else {
    $('text').replaceChildren();
    $('pager').hidden = true;
  }
}

$('q').addEventListener('input', () => {
  clearTimeout(searchTimer);
  searchTimer = setTimeout(() => {
    state.current = -1;
    routeTo('search', { ...searchParams(), q: $('q').value.trim() }, true);
  }, 120);
});
$('mode').addEventListener('change', () => {
  routeTo('search', { ...searchParams(), mode: $('mode').value === 'exact' ? '' : $('mode').value }, true);
});
document.addEventListener('keydown', (e) => {
  if (e.key === 'ArrowDown' || e.key === 'ArrowUp') {
    if (!state.hits.length) return;
    e.preventDefault();
    const step = e.key === 'ArrowDown' ? 1 : -1;
    markCurrent(Math.min(state.hits.length - 1, Math.max(0, state.current + step)));
  } else if (e.key === 'Enter' && state.hits.length) {
    e.preventDefault();
    const hit = state.hits[Math.max(0, state.current)];
    routeTo('article', { at: hit.at, ...searchParams() });
  }
});
window.addEventListener('hashchange', render);

loadBooks().then(render).catch((e) => showError(e.message));
