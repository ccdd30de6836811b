// Asks for a name in the page's own small dialog (a track's, a clip's): the name typed, or null
// when the person cancels.
export function askName(dialog, question, name) {
  const field = dialog.querySelector('input');
  dialog.querySelector('p').textContent = question;
  field.value = name;
  return new Promise((resolve) => {
    dialog.addEventListener('close', () => {
      resolve(dialog.returnValue === 'ok' && field.value.trim() !== '' ? field.value.trim() : null);
    }, { once: true });
    dialog.returnValue = '';
    dialog.showModal();
    field.select();
  });
}
