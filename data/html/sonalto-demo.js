// Titres de la radio de démonstration, au format lu par la fenêtre du titre
// en cours : radio_entry[0] est le morceau diffusé, les suivants les
// précédents.
var radio_entry = new Array();
for (var i = 0; i < 5; i++) radio_entry[i] = new Object();
radio_entry[0].titre = "Carillon du matin";
radio_entry[0].interprete = "Sonalto";
radio_entry[0].album = "Démonstration";
radio_entry[0].dateSortie = "2024";
radio_entry[0].label = "Sonalto";
radio_entry[0].urlPochette = "html/logo/sntlogo.jpg";
radio_entry[1].titre = "Ondes douces";
radio_entry[1].interprete = "Sonalto";
radio_entry[1].album = "Démonstration";
radio_entry[1].dateSortie = "2024";
radio_entry[1].label = "Sonalto";
radio_entry[1].urlPochette = "html/logo/sntlogo.jpg";
radio_entry[2].titre = "Petite fugue en do";
radio_entry[2].interprete = "Sonalto";
radio_entry[2].album = "Démonstration";
radio_entry[2].dateSortie = "2024";
radio_entry[2].label = "Sonalto";
radio_entry[2].urlPochette = "html/logo/sntlogo.jpg";
radio_entry[3].titre = "Indicatif";
radio_entry[3].interprete = "Sonalto";
radio_entry[3].album = "Démonstration";
radio_entry[3].dateSortie = "2024";
radio_entry[3].label = "Sonalto";
radio_entry[3].urlPochette = "html/logo/sntlogo.jpg";
radio_entry[4].titre = "Silence radio";
radio_entry[4].interprete = "Sonalto";
radio_entry[4].album = "Démonstration";
radio_entry[4].dateSortie = "2024";
radio_entry[4].label = "Sonalto";
radio_entry[4].urlPochette = "html/logo/sntlogo.jpg";
